#include "platform/forms/Timers.h"

#include "platform/forms/ControlsPrivate.h"

#include <QTimer>

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    UpdateTimer();
}

TTimer::~TTimer()
{
    FTimer.reset();
}

PRICETAGS_DEFINE_CLASS(TTimer,
    Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled),
    Property("Interval", &TTimer::Interval, &TTimer::SetInterval),
    Property("OnTimer", &TTimer::OnTimer, &TTimer::OnTimer))

void TTimer::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value)
{
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::Loaded()
{
    inherited::Loaded();
    UpdateTimer();
}

void TTimer::Timer()
{
    OnTimer(this);
}

void TTimer::UpdateTimer()
{
    const bool Run = FEnabled && FInterval != 0 && !ComponentState().Contains(csLoading) &&
        !ComponentState().Contains(csDestroying);
    if (!Run) {
        if (FTimer)
            FTimer->stop();
        return;
    }
    if (!FTimer) {
        FTimer = std::make_unique<QTimer>();
        QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
            if (OnTimer)
                Barrier([this] { Timer(); });
        });
    }
    FTimer->start(static_cast<int>(FInterval));
}
