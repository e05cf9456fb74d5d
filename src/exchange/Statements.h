#pragma once

// The fixed statements of imports and exports. Every value is a bound named parameter.
namespace exchange::sql {

inline constexpr const char* SelectNames = "select 姓名 from main";
// The columns an import stores, in the order it binds them; the rows go in batches of ImportBatch, each row's
// values as one "(?,...)" group (statement text made from these constants only, never from input).
inline constexpr const char* InsertMainColumns =
    "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values ";
inline constexpr int InsertMainValues = 12;
inline constexpr int ImportBatch = 100;
// Oldest first: imported again, the records keep their order.
inline constexpr const char* ExportMain =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main order by id";

} // namespace exchange::sql
