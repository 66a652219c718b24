#include "UnlhaHarness.h"
