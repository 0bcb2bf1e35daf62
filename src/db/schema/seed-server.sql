-- Reference data of the demo company on a server, the same as seed.sql: true is 1 here.
-- Runs on PostgreSQL and on SQL Server (there with QUOTED_IDENTIFIER on). Texts with letters
-- beyond ASCII are national literals (N'...'), so that SQL Server keeps them whatever the code
-- page of the database. PostgreSQL reads them as ordinary texts.
-- No semicolon in comments: the script may be split into statements at semicolons.

-- Tax keys as the tax codes of imported rates name them. 3 and 4 are old rates, no longer active.
INSERT INTO "Taxes" ("TaxKeyNumber", "Description", "Percentage", "Active", "RevenueAccount", "InputTaxAccount") VALUES
  ('0', '0 % (steuerfrei)', 0, 1, '8120', ''),
  ('1', '19 %', 19, 1, '8400', '1576'),
  ('2', '7 %', 7, 1, '8300', '1571'),
  ('3', '16 % (bis 2006)', 16, 0, '8340', '1575'),
  ('4', '5 % (2020)', 5, 0, '8310', '1568'),
  ('30', 'Schweiz 8 %', 8, 1, '8338', ''),
  ('31', 'Schweiz 3,8 %', 3.8, 1, '8339', ''),
  ('32', 'Schweiz 2,5 %', 2.5, 1, '8337', ''),
  ('40', N'Österreich 20 %', 20, 1, '8335', ''),
  ('41', N'Österreich 10 %', 10, 1, '8336', '');

INSERT INTO "ArticleTypes" ("Description", "Active") VALUES
  ('Handelsware', 1),
  ('Dienstleistung', 1),
  ('Ersatzteil', 1),
  ('Fremdleistung', 0),
  ('Handelsware', 1);

INSERT INTO "Units" ("Description", "Active") VALUES
  ('Stk', 1),
  ('Std', 1),
  ('kg', 1),
  ('m', 1),
  ('l', 1),
  ('Paket', 1),
  ('Stk', 1),
  ('Gros', 0);

-- Two halls: hall 1 with shelves A and B, shelf B with two places. Parents come before children.
INSERT INTO "StorageStructure" ("Category", "SubCategory", "Description", "Symbol", "Number", "Warehouseman", "Address") VALUES
  ('Lagerorte', 'H1', 'Halle 1', 0, '1;Halle', 'Karl Lager', N'Industriestraße 5, 12345 Musterstadt'),
  ('Lagerorte', 'H2', 'Halle 2', 0, '2;Halle', '', ''),
  ('H1', 'H1-A', 'Regal A', 1, 'A;Regal', '', ''),
  ('H1', 'H1-B', 'Regal B', 1, 'B;Regal', '', ''),
  ('H1-B', 'H1-B-01', 'Fach 01', 2, '01;Fach', '', ''),
  ('H1-B', 'H1-B-03', 'Fach 03', 2, '03;Fach', '', ''),
  ('H2', 'H2-K', N'Kühlbereich', 1, N'K;Kühlung', '', '');
