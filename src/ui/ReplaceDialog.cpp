#include "ui/ReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TReplaceDialog::TReplaceDialog(QWidget* Parent)
    : QDialog(Parent),
      FindEdit(new QLineEdit(this)),
      ReplaceEdit(new QLineEdit(this)),
      MatchCaseBox(new QCheckBox("Match &case", this)),
      WholeWordBox(new QCheckBox("&Whole word", this)),
      RegularExpressionBox(new QCheckBox("Regular e&xpression", this)),
      FindNextButton(new QPushButton("&Find Next", this)),
      ReplaceButton(new QPushButton("&Replace", this)),
      ReplaceAllButton(new QPushButton("Replace &All", this)),
      CloseButton(new QPushButton("Close", this)),
      FMessage(new QLabel(this)) {
  setWindowTitle("Find and Replace");
  setModal(false);

  auto* findLabel = new QLabel("Fi&nd what:", this);
  findLabel->setBuddy(FindEdit);
  auto* replaceLabel = new QLabel("Re&place with:", this);
  replaceLabel->setBuddy(ReplaceEdit);
  FMessage->setObjectName("ReplaceMessage");
  FMessage->setWordWrap(true);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {FindNextButton, ReplaceButton, ReplaceAllButton, CloseButton})
    buttons->addWidget(button);
  buttons->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(FindEdit, 0, 1);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(ReplaceEdit, 1, 1);
  grid->addWidget(MatchCaseBox, 2, 0, 1, 2);
  grid->addWidget(WholeWordBox, 3, 0, 1, 2);
  grid->addWidget(RegularExpressionBox, 4, 0, 1, 2);
  grid->addWidget(FMessage, 5, 0, 1, 2);
  grid->addLayout(buttons, 0, 2, 6, 1);

  FindNextButton->setDefault(true);
  connect(FindNextButton, &QPushButton::clicked, this, &TReplaceDialog::FindNext);
  connect(ReplaceButton, &QPushButton::clicked, this, &TReplaceDialog::Replace);
  connect(ReplaceAllButton, &QPushButton::clicked, this, &TReplaceDialog::ReplaceAll);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::hide);
  connect(FindEdit, &QLineEdit::textChanged, this, &TReplaceDialog::UpdateButtons);
  UpdateButtons();
}

TSearchOptions TReplaceDialog::Options() const {
  TSearchOptions options;
  options.Text = FindEdit->text();
  options.MatchCase = MatchCaseBox->isChecked();
  options.WholeWord = WholeWordBox->isChecked();
  options.RegularExpression = RegularExpressionBox->isChecked();
  return options;
}

QString TReplaceDialog::ReplaceText() const { return ReplaceEdit->text(); }

void TReplaceDialog::ShowMessage(const QString& Text) { FMessage->setText(Text); }

QString TReplaceDialog::Message() const { return FMessage->text(); }

// There is nothing to find or replace without a text to look for.
void TReplaceDialog::UpdateButtons() {
  const bool any = !FindEdit->text().isEmpty();
  for (QPushButton* button : {FindNextButton, ReplaceButton, ReplaceAllButton})
    button->setEnabled(any);
}
