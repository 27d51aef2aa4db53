// The table of the operations' entry procedures that both programs give to
// the console.
#pragma once

#include "shell/console.h"

namespace tessaro {

Operations MakeOperations();

}  // namespace tessaro
