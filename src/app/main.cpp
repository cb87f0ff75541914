#include "app/Application.h"
#include "app/FrameCapture.h"

int main()
{
    Application application;
    if (auto capture = FrameCapture::fromEnvironment())
        application.setFrameObserver(std::move(capture));
    return application.run();
}
