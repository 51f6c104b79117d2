#pragma once

#include <QAccessible>

class QObject;
class QString;

// What the page editors show an assistive technology. Qt asks every widget
// it shows for its accessible interface, whether or not anything listens,
// and QScintilla's keeps the caret's character offset up to date after each
// update of the editor by counting the characters from the start of the
// text: in a large file that is most of the time of every key press and
// every move of the caret. While no assistive technology listens, an editor
// gets Qt's plain interface of a widget instead; when one starts listening,
// those are dropped, and the next question gets QScintilla's, which reads
// and follows the text.
class TEditorAccessibility : public QAccessible::ActivationObserver {
 public:
  // Once, before the first editor is shown; later calls do nothing.
  static void Install();
  // True while an assistive technology listens: the platform says so, or
  // told the observers so.
  static bool Listening();

  void accessibilityActiveChanged(bool Active) override;

 private:
  static QAccessibleInterface* Interface(const QString& ClassName, QObject* Object);
  static inline bool FListening = false;
};
