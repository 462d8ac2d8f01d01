// Message boxes on QMessageBox.
#include "app/qt_prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace ovix {

namespace {

QMessageBox::Icon IconOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Critical: return QMessageBox::Critical;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer QtPrompt::Ask(const std::string& text, const std::string& title, PromptIcon icon,
                           PromptButtons buttons) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(QString::fromStdString(JoinLines(text, "\n")));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(IconOf(icon));
  switch (buttons) {
    case PromptButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case PromptButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case PromptButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    default: break;
  }
  // Closed without a button: the cautious answer.
  return buttons == PromptButtons::YesNo ? PromptAnswer::No
         : buttons == PromptButtons::OkCancel ? PromptAnswer::Cancel
                                              : PromptAnswer::Ok;
}

}  // namespace ovix
