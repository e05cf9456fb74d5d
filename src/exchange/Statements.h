#pragma once

// The fixed statements of imports and exports. Every value is a bound named parameter.
namespace exchange::sql {

inline constexpr const char* SelectNames = "select id,姓名 from main";
// The record an import may fill, and the fill: a NULL parameter keeps the field as it is.
inline constexpr const char* SelectRecord =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片 from main where id=:id";
inline constexpr const char* FillBlanks =
    "update main set 性别=coalesce(:sex,性别),生月=coalesce(:month,生月),生日=coalesce(:day,生日),"
    "关系=coalesce(:relation,关系),电话=coalesce(:phone,电话),手机=coalesce(:mobile,手机),"
    "小灵通=coalesce(:phs,小灵通),住址=coalesce(:address,住址),备注=coalesce(:note,备注),照片=coalesce(:photo,照片) "
    "where id=:id";
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
