#include "EventFilter.h"

namespace ui {

bool EventFilter::eventFilter(QObject* watched, QEvent* event) {
    return function_(watched, event);
}

} // namespace ui
