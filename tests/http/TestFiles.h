// Moved: the one copy is tests/support/Files.h; include that instead.
#pragma once
#include "support/Files.h"
