#pragma once

// TTimer: OnTimer every Interval milliseconds while Enabled and the event
// is assigned, from the message loop (an exception in the handler goes to
// Application->HandleException).

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"

#include <memory>

class QTimer;

class TTimer : public TComponent {
    PRICETAGS_CLASS(TTimer, TComponent)
public:
    /// Enabled, 1000 ms.
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    /// Milliseconds; 0 stops the timer.
    Cardinal Interval() const { return FInterval; }
    void SetInterval(Cardinal Value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();
    void Loaded() override;

private:
    void UpdateTimer();

    bool FEnabled = true;
    Cardinal FInterval = 1000;
    std::unique_ptr<QTimer> FTimer;
};
