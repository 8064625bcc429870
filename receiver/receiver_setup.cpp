#include "receiver.h"

namespace muv {}  // namespace muv
