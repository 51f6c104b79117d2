#include "ui/SaveAsDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kWidth = 437;
constexpr int kHeight = 154;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kMargin = 20;
}  // namespace

TSaveAsDialog::TSaveAsDialog(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(tr("Save As..."));
  setFixedSize(kWidth, kHeight);

  FFileNameEdit = new QLineEdit(this);
  FFileNameEdit->setObjectName("FileNameEdit");
  FFileNameEdit->setGeometry(24, 40, 393, FFileNameEdit->sizeHint().height());
  auto* label = new QLabel(tr("&Filename:"), this);
  label->setBuddy(FFileNameEdit);
  label->move(24, 40 - label->sizeHint().height() - 3);

  const int top = kHeight - kMargin - kButtonHeight;
  FButton2 = new QPushButton(tr("Cancel"), this);
  FButton2->setGeometry(kWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
  FButton1 = new QPushButton(tr("OK"), this);
  FButton1->setGeometry(FButton2->x() - 8 - kButtonWidth, top, kButtonWidth, kButtonHeight);
  FButton1->setDefault(true);
  connect(FButton1, &QPushButton::clicked, this, &QDialog::accept);
  connect(FButton2, &QPushButton::clicked, this, &QDialog::reject);
  setTabOrder(FFileNameEdit, FButton1);
  setTabOrder(FButton1, FButton2);
}
