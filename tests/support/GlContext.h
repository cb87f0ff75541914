#pragma once

#include "support/HiddenGlWindow.h"

namespace testsupport {

using GlContext = HiddenGlWindow;

} // namespace testsupport
