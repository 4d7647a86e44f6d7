-- The rows a scale office gets with a new installation: the settings row,
-- the machine type, a few masters and the two text-ticket layouts. No
-- tickets: the first ticket is number 1.

-- Settings: text tickets ("Dos") on plain paper to the USB printer,
-- "Industries" charge mode (the amount may stay 0), marks for typed
-- weights, both weights may be typed, indicator on COM1, 20-line tickets.
INSERT INTO counter (compnm, address, city, Marque, oral, printstyle, printformat, printcopy,
                     "public", mweight, musb, machtyp, prnusb, prnlpt, comport, totline,
                     st_dt, en_dt, reptit, mstno, menno)
VALUES ('SHREE BALAJI WEIGHBRIDGE',
        'Plot 14, GIDC Estate, Near Highway Check Post',
        'Halol, Dist. Panchmahal, Gujarat',
        'Welcome to Shree Balaji Weighbridge - 60 Ton Electronic Weighbridge - Open 24 Hours',
        1, 1, 1, 1,
        0, 3, 0, '1', 1, 0, 1, 20,
        '2025-04-01', '2025-04-01', 'Date Wise Report', 1, 100);

INSERT INTO listvalue (Type, Name) VALUES ('machtyp', '1');

INSERT INTO truckmast (num, Name, tarewt) VALUES (1, 'GJ17TT4521', 6250);
INSERT INTO truckmast (num, Name, tarewt) VALUES (2, 'GJ06AX9087', 8940);
INSERT INTO truckmast (num, Name, tarewt) VALUES (3, 'MP09HG3310', 11480);
INSERT INTO truckmast (num, Name, tarewt) VALUES (4, 'RJ27GA1764', 9320);

INSERT INTO matmast (num, Name) VALUES (1, 'Sand');
INSERT INTO matmast (num, Name) VALUES (2, 'Coal');
INSERT INTO matmast (num, Name) VALUES (3, 'Cement');
INSERT INTO matmast (num, Name) VALUES (4, 'Stone Aggregate');
INSERT INTO matmast (num, Name) VALUES (5, 'Scrap Iron');

INSERT INTO recemast (num, Name) VALUES (1, 'Gujarat Infra Projects');
INSERT INTO recemast (num, Name) VALUES (2, 'Halol Ready Mix');
INSERT INTO recemast (num, Name) VALUES (3, 'Panchmahal Steels');

INSERT INTO suppmast (num, Name) VALUES (1, 'Mahi River Sand Suppliers');
INSERT INTO suppmast (num, Name) VALUES (2, 'Western Coalfields Agency');
INSERT INTO suppmast (num, Name) VALUES (3, 'Ambuja Cement Depot');

-- Text-ticket layouts, 80 print columns and 20 lines; x = c * 135 and
-- y = r * 312 twips. The values of 'Label2' (ticket number 1, truck 2,
-- material 3, tare time 4, gross time 5, amount 6, receiver 7, supplier 8,
-- tare mark 9, gross mark 10, gross date 11, tare date 12, gross 13,
-- tare 14, net 15) are rewritten before every text ticket; so are the
-- company lines 'Label1' 14 to 16 of the plain-paper layout.
-- Plain paper: company heading, field names and the ticket values.
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 0, 'WEIGHMENT SLIP', 4455, 1560, 33, 5, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 1, 'Ticket No. :', 270, 2184, 2, 7, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 2, 'Truck No. :', 270, 2496, 2, 8, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 3, 'Material :', 270, 2808, 2, 9, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 4, 'Supplier :', 270, 3120, 2, 10, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 5, 'Receiver :', 270, 3432, 2, 11, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 6, 'Gross Wt. :', 270, 4056, 2, 13, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 7, 'Tare Wt. :', 270, 4368, 2, 14, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 8, 'Net Wt. :', 270, 4680, 2, 15, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 9, 'Amount Rs. :', 6210, 2184, 46, 7, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 10, 'Weight (Kg)      Date            Time', 2295, 3744, 17, 12, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 11, '------------------------------------------------------------------------------', 135, 1248, 1, 4, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 12, '------------------------------------------------------------------------------', 135, 4992, 1, 16, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 13, 'Operator''s Signature', 7560, 5928, 56, 19, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 14, 'SHREE BALAJI WEIGHBRIDGE', 3780, 312, 28, 1, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 15, 'Plot 14, GIDC Estate, Near Highway Check Post', 2295, 624, 17, 2, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label1', 16, 'Halol, Dist. Panchmahal, Gujarat', 3240, 936, 24, 3, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 1, '1', 2160, 2184, 16, 7, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 2, 'TRUCK NO', 2160, 2496, 16, 8, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 3, 'MATERIAL', 2160, 2808, 16, 9, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 4, '00:00', 6750, 4368, 50, 14, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 5, '00:00', 6750, 4056, 50, 13, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 6, '0', 8100, 2184, 60, 7, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 7, 'RECEIVER', 2160, 3432, 16, 11, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 8, 'SUPPLIER', 2160, 3120, 16, 10, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 9, '  ', 3240, 4368, 24, 14, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 10, '    ', 3240, 4056, 24, 13, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 11, 'DD/MM/YYYY', 4590, 4056, 34, 13, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 12, 'DD/MM/YYYY', 4590, 4368, 34, 14, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 13, '     0', 2295, 4056, 17, 13, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 14, '     0', 2295, 4368, 17, 14, 0);
INSERT INTO prnvarplain (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 15, '     0', 2295, 4680, 17, 15, 0);

-- Pre-printed stationery: the form carries the heading and the field
-- names; only the ticket values are printed, into its blanks.
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 1, '1', 2430, 2496, 18, 8, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 2, 'TRUCK NO', 2430, 2808, 18, 9, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 3, 'MATERIAL', 2430, 3120, 18, 10, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 4, '00:00', 7020, 4680, 52, 15, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 5, '00:00', 7020, 4368, 52, 14, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 6, '0', 8640, 2496, 64, 8, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 7, 'RECEIVER', 2430, 3744, 18, 12, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 8, 'SUPPLIER', 2430, 3432, 18, 11, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 9, '  ', 3510, 4680, 26, 15, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 10, '  ', 3510, 4368, 26, 14, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 11, 'DD/MM/YYYY', 4860, 4368, 36, 14, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 12, 'DD/MM/YYYY', 4860, 4680, 36, 15, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 13, '     0', 2430, 4368, 18, 14, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 14, '     0', 2430, 4680, 18, 15, 0);
INSERT INTO prnvarprint (name, "index", caption, x, y, c, r, dw) VALUES ('Label2', 15, '     0', 2430, 4992, 18, 16, 0);
