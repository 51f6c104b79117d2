#include "ui/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* Parent)
    : QDialog(Parent),
      FindEdit(new QLineEdit(this)),
      MatchCaseBox(new QCheckBox("Match &case", this)),
      UpButton(new QRadioButton("&Up", this)),
      DownButton(new QRadioButton("&Down", this)),
      FindNextButton(new QPushButton("&Find Next", this)),
      CancelButton(new QPushButton("Cancel", this)) {
  setWindowTitle("Find");
  setModal(false);

  auto* label = new QLabel("Fi&nd what:", this);
  label->setBuddy(FindEdit);
  auto* direction = new QGroupBox("Direction", this);
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(UpButton);
  directionLayout->addWidget(DownButton);
  DownButton->setChecked(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(FindNextButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(FindEdit, 0, 1, 1, 2);
  grid->addWidget(MatchCaseBox, 1, 0, 1, 2, Qt::AlignBottom);
  grid->addWidget(direction, 1, 2);
  grid->addLayout(buttons, 0, 3, 2, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  FindNextButton->setDefault(true);
  connect(FindNextButton, &QPushButton::clicked, this, &TFindDialog::Find);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::hide);
  connect(FindEdit, &QLineEdit::textChanged, this, &TFindDialog::UpdateFindNextButton);
  UpdateFindNextButton();
}

QString TFindDialog::FindText() const { return FindEdit->text(); }

bool TFindDialog::MatchCase() const { return MatchCaseBox->isChecked(); }

bool TFindDialog::Up() const { return UpButton->isChecked(); }

// As in the system's own find dialogs, there is nothing to find without a text.
void TFindDialog::UpdateFindNextButton() {
  FindNextButton->setEnabled(!FindEdit->text().isEmpty());
}
