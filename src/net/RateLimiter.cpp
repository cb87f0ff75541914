#include "net/RateLimiter.h"

#include <algorithm>

namespace net {

bool RateLimiter::allow(std::int64_t nowUs)
{
    if (started && nowUs > lastUs)
        tokens = std::min(burst, tokens + static_cast<double>(nowUs - lastUs) * ratePerSecond / 1e6);
    if (!started || nowUs > lastUs)
        lastUs = nowUs;
    started = true;
    if (tokens < 1.0)
        return false;
    tokens -= 1.0;
    return true;
}

} // namespace net
