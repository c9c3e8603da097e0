#pragma once

#include "ads/banners/PellarOldSchoolSingleAdView.h"
