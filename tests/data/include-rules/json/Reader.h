#pragma once

#include "platform/foundation/Log.h"
