#include "tests/support/registry_import.h"
