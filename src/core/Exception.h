#pragma once

#include <QString>
#include <stdexcept>

// The one error class the program raises. Messages are fixed English texts;
// they reach the user through the application's error display (ErrorReport).
class Exception : public std::runtime_error {
 public:
  explicit Exception(const QString& message)
      : std::runtime_error(message.toStdString()), FMessage(message) {}

  const QString& Message() const { return FMessage; }

 private:
  QString FMessage;
};
