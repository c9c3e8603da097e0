#include "Neighbour.h"
#include "ads/core/PellarAd.h" // spaced
