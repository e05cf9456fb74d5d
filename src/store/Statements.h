#pragma once

// The fixed statements the program issues. No statement text is ever built from user input: every value is
// a bound named parameter.
namespace store::sql {

inline constexpr const char* SelectUserNames = "select 用户 from user1";
inline constexpr const char* SelectUserByName = "select * from user1 where 用户=:duser";
inline constexpr const char* SelectAllUsers = "select * from user1";
inline constexpr const char* DeleteUser = "delete from user1 where 用户=:euser";
// A plain-text password accepted at sign-in is rewritten as its hash, only while the row still holds that text.
inline constexpr const char* RehashUserPassword = "update user1 set 密码=:hash where 用户=:duser and 密码=:plain";
inline constexpr const char* SelectMainNewestFirst = "select * from main order by id desc";
inline constexpr const char* SelectMain = "select * from main";
inline constexpr const char* SelectNameByName = "select 姓名 from main where 姓名=:username";
inline constexpr const char* DeleteByName = "delete from main where 姓名=:username";
inline constexpr const char* SelectMainByName = "select * from main where 姓名=:username";
inline constexpr const char* SelectMainByFirst = "select * from main where 姓名=:first";
inline constexpr const char* SelectAreaCodes = "select * from call";
// The list's fill and reload read "select * from main order by id desc" but use only these columns: the same
// rows in the same order, without converting the columns nobody reads. The searches read "select * from main",
// which is table order (the id is the row id): the same rows taken from the last back to the first.
inline constexpr const char* ListMainNewestFirst =
    "select id,姓名,关系,电话,手机,小灵通,住址,性别,生月,生日 from main order by id desc";
// Only the row count of the table is wanted (refresh and its wait): the same answer without carrying rows.
inline constexpr const char* CountMain = "select count(*) from main";

} // namespace store::sql
