#pragma once

namespace fetemark {

// The desktop's notification service as the application sees it. One implementation
// per platform; the application object receives it through its constructor.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;
    virtual void setApplicationIconBadgeNumber(int number) = 0;
};

} // namespace fetemark
