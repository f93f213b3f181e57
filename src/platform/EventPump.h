#pragma once

#include <QElapsedTimer>

// Long work lets pending events be handled at many points (after every row it writes). Handling
// them costs more than most rows, so a point only handles them when some time has passed since
// the last time. With 5 ms between handlings and no step between two points longer than a few
// milliseconds, a click on Abort waits at most about 10 ms.
class EventPump final
{
public:
    static constexpr qint64 IntervalNs = 5'000'000;

    // Whether this point should handle pending events; restarts the interval when it should.
    bool due()
    {
        if (m_clock.isValid() && m_clock.nsecsElapsed() < IntervalNs)
            return false;
        m_clock.start();
        return true;
    }

private:
    QElapsedTimer m_clock;
};
