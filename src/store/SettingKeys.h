#pragma once
#include <climits>

// A setting's name in the store and the value it has when the store holds
// none. The type decides the stored text: a boolean is "1" or "0", a number
// is decimal, a text is kept as it is.
struct TBoolSetting {
  const char* Name;
  bool Default;
};

// Text that is no number, and a number below Minimum, read as Default.
struct TIntSetting {
  const char* Name;
  int Default;
  int Minimum;
};

struct TTextSetting {
  const char* Name;
  const char* Default;
};

// Every setting the program keeps. The names are those already in users'
// stored files: renaming one forgets what each user chose.
struct TSettingKeys {
  static constexpr TBoolSetting ShowLineNumbers{"ShowLineNumbers", true};
  static constexpr TBoolSetting WrapLongLines{"WrapLongLines", false};
  static constexpr TTextSetting FontName{"FontName", "Consolas"};
  // A font cannot be given a size of zero or less.
  static constexpr TIntSetting FontSize{"FontSize", 10, 1};
  static constexpr TBoolSetting ShowConnectDialog{"ShowConnectDialog", false};

  // The window's outer bounds while not maximised; -1 in any of the four
  // means none are stored. Positions may be negative on a multi-screen desk.
  static constexpr TBoolSetting FormMaximized{"FormMaximized", false};
  static constexpr TIntSetting FormTop{"FormTop", -1, INT_MIN};
  static constexpr TIntSetting FormLeft{"FormLeft", -1, INT_MIN};
  static constexpr TIntSetting FormWidth{"FormWidth", -1, INT_MIN};
  static constexpr TIntSetting FormHeight{"FormHeight", -1, INT_MIN};

  // The connect dialog's saved host, by the name the dialog lists it under.
  static constexpr TTextSetting SelectedServer{"SelectedServer", ""};
  // Whether the user has been told, once, that with no keyring answering a
  // saved password is kept (scrambled) in a file readable by them alone.
  static constexpr TBoolSetting PasswordFileNoticeShown{"PasswordFileNoticeShown", false};
};
