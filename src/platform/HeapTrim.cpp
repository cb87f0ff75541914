#include "platform/HeapTrim.h"

#include <malloc.h>

namespace platform {

void HeapTrim::release()
{
    malloc_trim(0);
}

} // namespace platform
