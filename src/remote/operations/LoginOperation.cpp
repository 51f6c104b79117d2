#include "remote/operations/LoginOperation.h"

namespace {
const QString kLoggedIn = "Remote working directory is ";
}

void TLoginOperation::Line(const QString& Text) {
  if (FLoggedIn || !Text.startsWith(kLoggedIn)) return;
  FLoggedIn = true;
  FHomeDir = Text.mid(kLoggedIn.size());
}
