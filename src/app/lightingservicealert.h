#pragma once

class QWidget;

namespace kelvara {

// The help alert for a missing or refusing lighting service, window-modal on window.
void showLGSAlert(QWidget* window);

} // namespace kelvara
