#pragma once

// The fixed statements of imports and exports. Every value is a bound named parameter.
namespace exchange::sql {

inline constexpr const char* SelectNames = "select 姓名 from main";
inline constexpr const char* InsertMain =
    "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values "
    "(:name,:sex,:month,:day,:relation,:phone,:mobile,:phs,:address,:note,:photo,:registered)";
// Oldest first: imported again, the records keep their order.
inline constexpr const char* ExportMain =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main order by id";

} // namespace exchange::sql
