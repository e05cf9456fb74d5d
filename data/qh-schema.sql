-- Area-code database qh.mdb, generated at build time from area-codes.csv; the program only reads it.
-- 区号 is text: the codes of Hong Kong, Macau and Taiwan keep their leading zero.
CREATE TABLE call (
    省份 TEXT,
    城市 TEXT,
    区号 TEXT
);
