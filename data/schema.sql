-- Contact database call.mdb, generated at build time. The program never creates or alters a database.
-- 姓名 and 用户 compare without regard to ASCII letter case, as the names always have; the unique indexes turn a
-- race between two running copies into a refused store instead of a duplicate.
CREATE TABLE main (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    姓名 TEXT COLLATE NOCASE UNIQUE,
    性别 TEXT,
    生月 INTEGER,
    生日 INTEGER,
    关系 TEXT,
    电话 TEXT,
    手机 TEXT,
    小灵通 TEXT,
    住址 TEXT,
    备注 TEXT,
    照片 TEXT,
    登记时间 TEXT
);
CREATE TABLE user1 (
    用户 TEXT COLLATE NOCASE UNIQUE,
    密码 TEXT,
    权限 TEXT
);
CREATE TABLE version (
    版本 TEXT
);
INSERT INTO version (版本) VALUES ('4.0');
-- Persistent: several connections and running copies share the file; readers never block the writer.
PRAGMA journal_mode=WAL;
