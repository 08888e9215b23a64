#include "libRadio.h"
