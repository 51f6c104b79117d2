#include "ui/AboutBox.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QUrl>
#include <QVBoxLayout>

const QString TAboutBox::WebAddress = "https://quillery.invalid/";

namespace {
constexpr int kWidth = 497;
constexpr int kHeight = 295;

QLabel* BoldLabel(const QString& Text, QWidget* Parent) {
  auto* label = new QLabel(Text, Parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}
}  // namespace

TAboutBox::TAboutBox(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(tr("About Quillery"));
  setFixedSize(kWidth, kHeight);

  auto* title = new QLabel("Quillery", this);
  title->setObjectName("TitleLabel");
  title->setFont(QFont("Tahoma", 16, QFont::Bold));
  title->setGeometry(24, 16, 300, 36);

  auto* group = new QGroupBox(tr("Version Information"), this);
  group->setGeometry(24, 64, kWidth - 48, 96);
  auto* groupLayout = new QVBoxLayout(group);
  QLabel* version = BoldLabel(tr("Version 0.9 Beta"), group);
  version->setObjectName("VersionLabel");
  groupLayout->addWidget(version);

  FLinkLabel = new QLabel(QString("<a href=\"%1\">%1</a>").arg(WebAddress), this);
  FLinkLabel->setObjectName("LinkLabel");
  FLinkLabel->setTextFormat(Qt::RichText);
  FLinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  FLinkLabel->setOpenExternalLinks(false);
  FLinkLabel->setGeometry(24, 180, kWidth - 48, 24);
  connect(FLinkLabel, &QLabel::linkActivated, this, [this] { LinkLabelLinkClick(); });

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setGeometry(kWidth - 24 - 75, kHeight - 20 - 25, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::LinkLabelLinkClick() {
  ShellOpen(QTextDocumentFragment::fromHtml(FLinkLabel->text()).toPlainText());
}

void TAboutBox::ShellOpen(const QString& FileName) {
  QDesktopServices::openUrl(QUrl::fromUserInput(FileName));
}
