#pragma once

class Tmain;
class Tlogin;
class Tadd;
class Tgai;
class Tfind;
class Tlist;
class Tuser1;
class Tuser2;
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
// True once the start-up sequence has completed; the sign-in window's close check reads it.
extern bool entered;
} // namespace forms
