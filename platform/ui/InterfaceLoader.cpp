#include "platform/ui/InterfaceLoader.h"
