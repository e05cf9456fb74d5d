-- What the running program may do in a server book, as the README gives it: rows only, no tables, and the deleted
-- names it reads to follow other desktops. (CONNECT on the database is PUBLIC's by default, and a database made from
-- this template does not take the template's own.)
GRANT USAGE ON SCHEMA public TO velloran_users;
GRANT SELECT, INSERT, UPDATE, DELETE ON main, user1, photo TO velloran_users;
GRANT SELECT ON version TO velloran_users;
GRANT USAGE ON SEQUENCE main_id_seq TO velloran_users;
GRANT SELECT ON main_removed TO velloran_users;
