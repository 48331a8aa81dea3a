// Not written yet.
#include "platform/registry.h"
