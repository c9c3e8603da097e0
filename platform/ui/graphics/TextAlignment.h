#pragma once

enum class TextAlignment { Left, Center, Right };
