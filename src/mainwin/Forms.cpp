#include "mainwin/Forms.h"

namespace forms {
Tmain* main = nullptr;
Tlogin* login = nullptr;
store::Tdmper* dmper = nullptr;
Tadd* add = nullptr;
Tgai* gai = nullptr;
Tfind* find = nullptr;
Tlist* list = nullptr;
Tuser1* user1 = nullptr;
Tuser2* user2 = nullptr;
Tabout* about = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;
TForm9* Form9 = nullptr;
bool entered = false;
} // namespace forms
