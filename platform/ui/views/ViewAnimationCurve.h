#pragma once

// The curves of view animation blocks, numbered as the platform numbers them.
enum class ViewAnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

enum class ViewAnimationTransition { None, FlipFromLeft, FlipFromRight, CurlUp, CurlDown };
