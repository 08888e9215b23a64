#include "libEngine.h"
