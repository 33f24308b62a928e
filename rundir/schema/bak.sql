-- The empty site database: every new site's database starts as a copy of it.
-- ID numbers the records in the order they were added; the other fields hold text.
CREATE TABLE 表1 (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    栏目 TEXT,
    时间 TEXT,
    标题 TEXT,
    备注 TEXT,
    文章ID TEXT
);
