#include "ui/EditorAccessibility.h"

#include <QAccessibleWidget>
#include <QApplication>

#include "ui/Editor.h"

void TEditorAccessibility::Install() {
  // Kept to the end of the program: Qt holds on to the observer.
  static TEditorAccessibility* const observer = [] {
    QAccessible::installFactory(&TEditorAccessibility::Interface);
    auto* made = new TEditorAccessibility;
    QAccessible::installActivationObserver(made);
    return made;
  }();
  Q_UNUSED(observer);
}

bool TEditorAccessibility::Listening() { return FListening || QAccessible::isActive(); }

// Asked with the editor's own class first, before QScintilla's factory is
// asked with its base class.
QAccessibleInterface* TEditorAccessibility::Interface(const QString& ClassName, QObject* Object) {
  if (Listening() || !Object || !Object->isWidgetType() ||
      ClassName != QLatin1String(TEditor::staticMetaObject.className()))
    return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(Object), QAccessible::EditableText);
}

void TEditorAccessibility::accessibilityActiveChanged(bool Active) {
  FListening = Active;
  if (!Active) return;
  for (QWidget* widget : QApplication::allWidgets()) {
    if (!qobject_cast<TEditor*>(widget)) continue;
    QAccessibleInterface* plain = QAccessible::queryAccessibleInterface(widget);
    if (plain && !plain->textInterface())
      QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(plain));
  }
}
