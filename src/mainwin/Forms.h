#pragma once

class Tmain;
class Tlogin;
class Tadd;
class Tgai;
class Tfind;
class Tlist;
class Tuser1;
class Tuser2;
class Tabout;
class TForm6;
class TForm7;
class TForm9;
namespace store {
class Tdmper;
}

// Program-wide references to the windows, each named like its form. Windows live for the whole run.
namespace forms {
extern Tmain* main;
extern Tlogin* login;
extern store::Tdmper* dmper;
extern Tadd* add;
extern Tgai* gai;
extern Tfind* find;
extern Tlist* list;
extern Tuser1* user1;
extern Tuser2* user2;
extern Tabout* about;
extern TForm6* Form6;
extern TForm7* Form7;
extern TForm9* Form9;
// True once the start-up sequence has completed; the sign-in window's close check reads it.
extern bool entered;
} // namespace forms
