#pragma once

namespace Util {

// Something told that a change happened; what changed it looks up itself.
class IObserver
{
public:
    virtual ~IObserver() = default;
    virtual void notify() = 0;
};

} // namespace Util
