#include "mainwin/Forms.h"

namespace forms {
Tmain* main = nullptr;
Tlogin* login = nullptr;
store::Tdmper* dmper = nullptr;
bool entered = false;
} // namespace forms
