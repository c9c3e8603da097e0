#pragma once

#include "ads/banners/PellarBannerFactory.h"
#include "ads/clickthrough/PellarClickActions.h"
#include "ads/core/Wrong.h"
#include "platform/foundation/RunLoop.h"
