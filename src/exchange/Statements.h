#pragma once

// The fixed statements of imports and exports. Every value is a bound named parameter.
namespace exchange::sql {

// Taking the write lock at the start: the names read next stay true until the commit, whatever another running
// copy does meanwhile.
inline constexpr const char* BeginImmediate = "begin immediate";
inline constexpr const char* Commit = "commit";
inline constexpr const char* Rollback = "rollback";
inline constexpr const char* SelectNames = "select id,姓名 from main";
// The record an import may fill, and the fill: a NULL parameter keeps the field as it is.
inline constexpr const char* SelectRecord =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片 from main where id=:id";
inline constexpr const char* FillBlanks =
    "update main set 性别=coalesce(:sex,性别),生月=coalesce(:month,生月),生日=coalesce(:day,生日),"
    "关系=coalesce(:relation,关系),电话=coalesce(:phone,电话),手机=coalesce(:mobile,手机),"
    "小灵通=coalesce(:phs,小灵通),住址=coalesce(:address,住址),备注=coalesce(:note,备注),照片=coalesce(:photo,照片) "
    "where id=:id";
inline constexpr const char* InsertMain =
    "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values "
    "(:name,:sex,:month,:day,:relation,:phone,:mobile,:phs,:address,:note,:photo,:registered)";
// Oldest first: imported again, the records keep their order.
inline constexpr const char* ExportMain =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main order by id";

} // namespace exchange::sql
