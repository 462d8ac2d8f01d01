// The run as the window shows it.
#include "app/qt_run_view.h"

#include "app/conversion_run.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QProgressBar>
#include <QString>

#include <algorithm>

#include "tools/user_prompt.h"

namespace ovix {

QString StatusLabelText(const std::string& text) {
  return QString::fromStdString(JoinLines(text, "\n"));
}

QtRunView::QtRunView(QLabel& status, QLabel& scale, QProgressBar& progress, Hooks hooks)
    : status_(status), scale_(scale), progress_(progress), hooks_(std::move(hooks)) {}

QtRunView::~QtRunView() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void QtRunView::ShowStatus(const std::string& text) {
  const QString shown = StatusLabelText(text);
  status_.setText(shown);
  if (hooks_.status_shown) hooks_.status_shown(shown);
}

void QtRunView::ShowNotice(const std::string& text) {
  ShowStatus(std::string(kStatusExcelDone) + "\r" + text);
}

void QtRunView::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void QtRunView::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    step_ = steps_ = 0;
    progress_.setValue(progress_.minimum());
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtRunView::ShowScale(const std::string& text) { scale_.setText(QString::fromStdString(text)); }

void QtRunView::ShowStepProgress(int step, int steps) {
  if (steps <= 0) return;
  step_ = step;
  steps_ = steps;
  progress_.setRange(0, steps * kStepUnits);
  // A step that starts has its predecessors done; the last step is the end.
  progress_.setValue(step >= steps ? steps * kStepUnits : (step - 1) * kStepUnits);
}

void QtRunView::ShowEntityProgress(int64_t done, int64_t total) {
  if (steps_ <= 0 || step_ <= 0 || total <= 0) return;
  const int64_t within = std::clamp<int64_t>(done, 0, total) * kStepUnits / total;
  // QProgressBar repaints itself when its shown value changes, so the bar
  // moves during a long drawing step without a pass of pending events.
  progress_.setValue((step_ - 1) * kStepUnits + static_cast<int>(within));
}

void QtRunView::PresentWorkbook(const std::string& path) {
  if (hooks_.present_workbook) hooks_.present_workbook(path);
}

}  // namespace ovix
