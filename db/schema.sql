-- The weighbridge database "wt.mdb": every table the program reads and
-- writes. The program itself never creates, alters or drops a table; it
-- only adds the indexes at the end when a file lacks them.
--
-- Declared types tell the database layer how to hand values to the forms:
--   INTEGER   whole number             NUMERIC   number (whole or decimal)
--   TEXT      text                     YESNO     yes/no (stored 1 / 0)
--   DATE      date, stored as ISO text 'YYYY-MM-DD'
-- Texts are never stored empty: writers store " " (one blank) instead.

-- One row per ticket.
CREATE TABLE emp (
    num       INTEGER NOT NULL PRIMARY KEY, -- ticket number
    truckno   TEXT,     -- truck number, upper-cased at save
    material  TEXT,
    grosstime TEXT,     -- 'HH:MM' or ' '
    taretime  TEXT,     -- 'HH:MM' or ' '
    rupee     TEXT,     -- charge as typed, '0' when blank
    dt        DATE,     -- date of the last save
    rece      TEXT,     -- receiver
    sup       TEXT,     -- supplier
    grossoral TEXT,     -- 'Oral' when the gross weight was typed by hand
    tareoral  TEXT,     -- 'Oral' when the tare weight was typed by hand
    grossdt   TEXT,     -- 'DD/MM/YYYY' or ' '
    taredt    TEXT,     -- 'DD/MM/YYYY' or ' '
    stage     NUMERIC,  -- 1, 2: one weight stored; 3: both
    grosswt   NUMERIC,
    tarewt    NUMERIC,
    netwt     NUMERIC,  -- |gross - tare|
    bag,                -- never written by the program; carried into slip
    amtword   TEXT,     -- the charge in words
    bdate     DATE      -- the ticket's date for the ticket list's date
                        -- search: the save fills it with the date of the
                        -- save, as it does dt
);

-- The settings row: exactly one row, never inserted or deleted by the
-- program.
CREATE TABLE counter (
    compnm      TEXT,     -- company name (ticket heading, main screen)
    address     TEXT,
    city        TEXT,
    Marque      TEXT,     -- banner text; '0' shows the date and time
    oral        YESNO,    -- mark typed weights on the text ticket
    printstyle  YESNO,    -- true: text ticket ("Dos"); false: report file ("Window")
    printformat YESNO,    -- true: plain paper; false: pre-printed stationery
    printcopy   NUMERIC,
    "public"    YESNO,    -- true: the charge must be entered ("Public")
    mweight     NUMERIC,  -- weights that may be typed: 0 none, 1 tare, 2 gross, 3 both
    musb        YESNO,    -- indicator connected by USB
    machtyp     TEXT,     -- machine type until listvalue has its row
    prnusb      YESNO,    -- text tickets go to the USB printer
    prnlpt      YESNO,    -- printer on the parallel port
    comport     INTEGER,  -- serial port number of the indicator
    totline     INTEGER,  -- lines per text ticket
    st_dt       DATE,     -- report range start
    en_dt       DATE,     -- report range end
    reptit      TEXT,     -- report title
    mstno       NUMERIC,  -- report ticket-number range start
    menno       NUMERIC   -- report ticket-number range end
);

-- List values by type; the row of Type 'machtyp' holds the machine type
-- ('1' Normal, '2' D2+, '3' New, '4' Digital).
CREATE TABLE listvalue (
    Type TEXT,
    Name TEXT
);

-- Masters.
CREATE TABLE truckmast (
    num    INTEGER NOT NULL PRIMARY KEY,
    Name   TEXT,      -- truck number
    tarewt NUMERIC    -- stored tare weight
);
CREATE TABLE matmast (
    num  INTEGER NOT NULL PRIMARY KEY,
    Name TEXT
);
CREATE TABLE recemast (
    num  INTEGER NOT NULL PRIMARY KEY,
    Name TEXT
);
CREATE TABLE suppmast (
    num  INTEGER NOT NULL PRIMARY KEY,
    Name TEXT
);

-- The ticket print copy read by the report files: one row, the stored
-- ticket plus the company lines, rebuilt before each report-file ticket.
CREATE TABLE slip (
    num       INTEGER,
    truckno   TEXT,
    material  TEXT,
    grosstime TEXT,
    taretime  TEXT,
    rupee     TEXT,
    dt        DATE,
    rece      TEXT,
    sup       TEXT,
    grossoral TEXT,
    tareoral  TEXT,
    grossdt   TEXT,
    taredt    TEXT,
    stage     NUMERIC,
    grosswt   NUMERIC,
    tarewt    NUMERIC,
    netwt     NUMERIC,
    bag,
    amtword   TEXT,
    compnm    TEXT,
    address   TEXT,
    city      TEXT
);

-- Text-ticket layouts: plain paper and pre-printed stationery. One row per
-- label: name 'Label1' (fixed text, index 0-16) or 'Label2' (ticket value,
-- index 0-17); x, y the designer position in twips; c = x / 135 the print
-- column and r = y / 312 the print line, whole numbers; dw double width.
CREATE TABLE prnvarplain (
    name    TEXT,
    "index" INTEGER,
    caption TEXT,
    x       NUMERIC,
    y       NUMERIC,
    c       INTEGER,
    r       INTEGER,
    dw      YESNO
);
CREATE TABLE prnvarprint (
    name    TEXT,
    "index" INTEGER,
    caption TEXT,
    x       NUMERIC,
    y       NUMERIC,
    c       INTEGER,
    r       INTEGER,
    dw      YESNO
);

-- The designer stores c and r as quotients (9.444445); the print column and
-- line are the nearest whole numbers, halves to the even one.
CREATE TRIGGER prnvarplain_whole_cells AFTER UPDATE OF c, r ON prnvarplain
WHEN typeof(new.c) = 'real' OR typeof(new.r) = 'real'
BEGIN
    UPDATE prnvarplain SET
        c = (CASE WHEN c < 0 THEN -1 ELSE 1 END)
            * (CAST(abs(c) AS INTEGER)
               + (abs(c) - CAST(abs(c) AS INTEGER) > 0.5)
               + (abs(c) - CAST(abs(c) AS INTEGER) = 0.5 AND CAST(abs(c) AS INTEGER) % 2 = 1)),
        r = (CASE WHEN r < 0 THEN -1 ELSE 1 END)
            * (CAST(abs(r) AS INTEGER)
               + (abs(r) - CAST(abs(r) AS INTEGER) > 0.5)
               + (abs(r) - CAST(abs(r) AS INTEGER) = 0.5 AND CAST(abs(r) AS INTEGER) % 2 = 1))
    WHERE rowid = new.rowid;
END;
CREATE TRIGGER prnvarprint_whole_cells AFTER UPDATE OF c, r ON prnvarprint
WHEN typeof(new.c) = 'real' OR typeof(new.r) = 'real'
BEGIN
    UPDATE prnvarprint SET
        c = (CASE WHEN c < 0 THEN -1 ELSE 1 END)
            * (CAST(abs(c) AS INTEGER)
               + (abs(c) - CAST(abs(c) AS INTEGER) > 0.5)
               + (abs(c) - CAST(abs(c) AS INTEGER) = 0.5 AND CAST(abs(c) AS INTEGER) % 2 = 1)),
        r = (CASE WHEN r < 0 THEN -1 ELSE 1 END)
            * (CAST(abs(r) AS INTEGER)
               + (abs(r) - CAST(abs(r) AS INTEGER) > 0.5)
               + (abs(r) - CAST(abs(r) AS INTEGER) = 0.5 AND CAST(abs(r) AS INTEGER) % 2 = 1))
    WHERE rowid = new.rowid;
END;

-- The tickets of the report date range held in the settings row, read by
-- the report files.
CREATE VIEW DAYREP AS
    SELECT emp.* FROM emp, counter
    WHERE emp.dt >= counter.st_dt AND emp.dt <= counter.en_dt;

-- Indexes for the program's own queries: the report date ranges in date and
-- ticket order (the rowid, which is num, ends every index), the ticket
-- list's date search, and the names the ticket list's truck search and the
-- material, receiver, supplier and vehicle reports select on (compared
-- without regard to case), with the date range after them. Tickets by
-- number need none: num is the rowid. They change no table or column. The
-- program creates any of them that an office's file lacks when it opens the
-- database, so each stays one line ending in ";".
CREATE INDEX IF NOT EXISTS emp_dt ON emp(dt);
CREATE INDEX IF NOT EXISTS emp_bdate ON emp(bdate);
CREATE INDEX IF NOT EXISTS emp_truckno_nocase ON emp(truckno COLLATE NOCASE, dt);
CREATE INDEX IF NOT EXISTS emp_material_nocase ON emp(material COLLATE NOCASE, dt);
CREATE INDEX IF NOT EXISTS emp_rece_nocase ON emp(rece COLLATE NOCASE, dt);
CREATE INDEX IF NOT EXISTS emp_sup_nocase ON emp(sup COLLATE NOCASE, dt);
