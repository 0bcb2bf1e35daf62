-- The company database of a file company. Types follow what the suite stores: texts, amounts
-- and quantities as REAL, flags as BOOLEAN holding -1 and 0, dates as DATETIME (ISO text).
-- Keys and numbers compare ignoring letter case, as in the suite's server databases.

CREATE TABLE Contacts (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  CustomerNumber TEXT COLLATE NOCASE,
  Matchcode TEXT,
  Company TEXT,
  Salutation TEXT,
  Title TEXT,
  Surname TEXT,
  Name TEXT,
  Addition TEXT,
  Street TEXT,
  Zip TEXT,
  Town TEXT,
  Country TEXT,
  InvoiceAddress TEXT,
  DeliveryAddress TEXT,
  Phone TEXT,
  Phone2 TEXT,
  Fax TEXT,
  Mobile TEXT,
  Email TEXT,
  Internet TEXT,
  BankName TEXT,
  BankCode TEXT,
  AccountNumber TEXT,
  IBAN TEXT,
  BIC TEXT,
  AccountHolder TEXT,
  VatIdNumber TEXT,
  TaxNumber TEXT,
  CustomerType TEXT COLLATE NOCASE,
  PaymentTerms TEXT,
  Discount REAL,
  CreditLimit REAL,
  Birthday DATETIME,
  Notes TEXT,
  Active BOOLEAN,
  DateCreation DATETIME,
  DateUpdate DATETIME,
  WorksOnLastOf TEXT
);
CREATE INDEX Contacts_CustomerNumber ON Contacts (CustomerNumber);
CREATE INDEX Contacts_Matchcode ON Contacts (Matchcode);

CREATE TABLE Articles (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ArticleNumber TEXT COLLATE NOCASE,
  ArticleNumberVariant TEXT COLLATE NOCASE,
  ShortText TEXT,
  LongText TEXT,
  Barcode TEXT COLLATE NOCASE,
  ArticleType TEXT,
  ArticleGroup TEXT,
  Unit TEXT,
  VatCode TEXT,
  Storage TEXT,
  Label TEXT,
  Manufacturer TEXT,
  ManufacturerNumber TEXT,
  Supplier TEXT,
  SupplierNumber TEXT COLLATE NOCASE,
  OrderNumber TEXT COLLATE NOCASE,
  PurchasePrice REAL,
  Listprice REAL,
  NetPrice REAL,
  GrossPrice REAL,
  VatAmount REAL,
  NetCosts REAL,
  AveragePrice REAL,
  RetailPrice REAL,
  LastPrice REAL,
  ProductionCosts REAL,
  ExtraChargeSmall BOOLEAN,
  ExtraChargeSmallAmount REAL,
  StockMin REAL,
  StockMax REAL,
  StockValue REAL,
  WeightNet REAL,
  WeightGross REAL,
  Length REAL,
  Width REAL,
  Height REAL,
  Diameter REAL,
  CustomsTariffNumber TEXT,
  CountryOfOrigin TEXT,
  Active BOOLEAN,
  SpecialOfferPrice BOOLEAN,
  RebateAble BOOLEAN,
  "Character" BOOLEAN,
  Variant BOOLEAN,
  SalesPlanning BOOLEAN,
  SerialnumberAble BOOLEAN,
  ChargenumberAble BOOLEAN,
  Substitute BOOLEAN,
  POSAble BOOLEAN,
  Chaining BOOLEAN,
  Webshop BOOLEAN,
  Equipment BOOLEAN,
  PriceListVisible BOOLEAN,
  LongTextNonSynch BOOLEAN,
  ResponsibilityEAR BOOLEAN,
  DateOfExpiryCheck BOOLEAN,
  Graphic INTEGER,
  Notes TEXT,
  DateCreation DATETIME,
  DateUpdate DATETIME,
  WorksOnLastOf TEXT,
  BuildBy TEXT
);
CREATE INDEX Articles_ArticleNumber ON Articles (ArticleNumber);
CREATE INDEX Articles_Barcode ON Articles (Barcode);

CREATE TABLE Suppliers (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  SupplierNumber TEXT COLLATE NOCASE,
  Matchcode TEXT,
  Company TEXT,
  Salutation TEXT,
  Title TEXT,
  Surname TEXT,
  Name TEXT,
  Addition TEXT,
  Street TEXT,
  Zip TEXT,
  Town TEXT,
  Country TEXT,
  Address TEXT,
  Phone TEXT,
  Phone2 TEXT,
  Fax TEXT,
  Mobile TEXT,
  Email TEXT,
  Internet TEXT,
  BankName TEXT,
  BankCode TEXT,
  AccountNumber TEXT,
  IBAN TEXT,
  BIC TEXT,
  AccountHolder TEXT,
  VatIdNumber TEXT,
  TaxNumber TEXT,
  OurCustomerNumber TEXT,
  PaymentTerms TEXT,
  Discount REAL,
  Notes TEXT,
  Active BOOLEAN,
  DateCreation DATETIME,
  DateUpdate DATETIME,
  WorksOnLastOf TEXT
);
CREATE INDEX Suppliers_SupplierNumber ON Suppliers (SupplierNumber);

CREATE TABLE ArticleSuppliers (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ArticleNumber TEXT COLLATE NOCASE,
  ArticleNumberVariant TEXT COLLATE NOCASE,
  Supplier TEXT,
  SupplierNumber TEXT COLLATE NOCASE,
  OrderNumber TEXT COLLATE NOCASE,
  Barcode TEXT,
  ShortText TEXT,
  ListPrice REAL,
  Rebate REAL,
  PurchasePrice REAL,
  Unit TEXT,
  VatCode TEXT,
  Standard BOOLEAN,
  DeliveryTime INTEGER,
  MinimumOrderQuantity REAL,
  Notes TEXT
);
CREATE INDEX ArticleSuppliers_Article ON ArticleSuppliers (ArticleNumber, OrderNumber);

CREATE TABLE ServiceEquipments (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  SerialNumber TEXT COLLATE NOCASE,
  EquipmentNumber TEXT COLLATE NOCASE,
  Description TEXT,
  ArticleNumber TEXT COLLATE NOCASE,
  CustomerNumber TEXT COLLATE NOCASE,
  Location TEXT,
  InstallationDate DATETIME,
  WarrantyUntil DATETIME,
  Notes TEXT,
  Active BOOLEAN
);
CREATE INDEX ServiceEquipments_SerialNumber ON ServiceEquipments (SerialNumber);

CREATE TABLE PositionsServiceEquipments (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  EquipmentNumber TEXT COLLATE NOCASE,
  LineItemNumber TEXT,
  ArticleNumber TEXT COLLATE NOCASE,
  SerialNumber TEXT COLLATE NOCASE,
  Description TEXT,
  Quantity REAL,
  ValidFrom DATETIME,
  ValidTo DATETIME,
  Notes TEXT
);
CREATE INDEX PositionsServiceEquipments_Equipment ON PositionsServiceEquipments (EquipmentNumber);

CREATE TABLE Warehouse (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  StockingNumber TEXT COLLATE NOCASE,
  ArticleNumber TEXT COLLATE NOCASE,
  Number TEXT COLLATE NOCASE,
  Quantity REAL,
  Disposable REAL,
  Unsociable REAL,
  "Date" DATETIME,
  Batch TEXT,
  SerialNumber TEXT,
  Blocked BOOLEAN,
  BlockedBy TEXT,
  BlockedAt DATETIME,
  ReasonBlocking TEXT,
  Notes TEXT,
  DateCreation DATETIME,
  DateUpdate DATETIME,
  WorksOnLastOf TEXT
);
CREATE INDEX Warehouse_StockingNumber ON Warehouse (StockingNumber);
CREATE INDEX Warehouse_ArticleNumber ON Warehouse (ArticleNumber);

CREATE TABLE StorageStructure (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Category TEXT COLLATE NOCASE,
  SubCategory TEXT COLLATE NOCASE,
  Description TEXT,
  Symbol INTEGER,
  Number TEXT,
  Warehouseman TEXT,
  Address TEXT,
  Notes TEXT
);
CREATE INDEX StorageStructure_SubCategory ON StorageStructure (SubCategory);

CREATE TABLE ArticleCustomerTypePrices (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ArticleNumber TEXT COLLATE NOCASE,
  CustomerType TEXT COLLATE NOCASE,
  NetPrice REAL,
  GrossPrice REAL,
  VatAmount REAL,
  Rebate REAL,
  Notes TEXT
);
CREATE INDEX ArticleCustomerTypePrices_Key ON ArticleCustomerTypePrices (ArticleNumber, CustomerType);

CREATE TABLE ArticleWebshop (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ArticleNumber TEXT COLLATE NOCASE,
  ArticleNumberWebshop TEXT,
  Caption TEXT,
  ShortText TEXT,
  LongText TEXT,
  WebshopCategory TEXT,
  Synchronise BOOLEAN,
  Active BOOLEAN,
  FSK18 BOOLEAN,
  RebateAllowed INTEGER,
  URLManufacturer TEXT,
  URLShop TEXT,
  PublicationDate DATETIME,
  SequenceCategory TEXT,
  Keywords TEXT,
  StartPage BOOLEAN,
  SequenceStartpage TEXT,
  TemplateDetails TEXT,
  TemplateOptions TEXT,
  MetaTitle TEXT,
  MetaDescription TEXT,
  MetaKeywords TEXT,
  PackingUnit TEXT,
  PackingUnitValue REAL,
  PackingUnitStatus BOOLEAN,
  StockScaling INTEGER,
  StockQuantity REAL,
  DeliveryStatus TEXT,
  Deliverable BOOLEAN,
  StockValues TEXT
);
CREATE INDEX ArticleWebshop_ArticleNumber ON ArticleWebshop (ArticleNumber);

CREATE TABLE AccountSystem (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  AccountNumber TEXT COLLATE NOCASE,
  Description TEXT,
  AccountType TEXT,
  AccountClass TEXT,
  VatCode TEXT,
  Balance REAL,
  Debit REAL,
  Credit REAL,
  Notes TEXT
);
CREATE INDEX AccountSystem_AccountNumber ON AccountSystem (AccountNumber);

CREATE TABLE Taxes (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  TaxKeyNumber TEXT COLLATE NOCASE,
  Description TEXT,
  Percentage REAL,
  Active BOOLEAN,
  RevenueAccount TEXT,
  InputTaxAccount TEXT
);
CREATE INDEX Taxes_TaxKeyNumber ON Taxes (TaxKeyNumber);

CREATE TABLE ArticleTypes (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Description TEXT,
  Active BOOLEAN
);

CREATE TABLE Units (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Description TEXT,
  Active BOOLEAN
);

CREATE TABLE ArticlePictures (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  filename TEXT,
  FileSize TEXT,
  Measure TEXT,
  "Date" DATETIME,
  Path TEXT,
  Picture BLOB
);
CREATE INDEX ArticlePictures_File ON ArticlePictures (filename, Path);

CREATE TABLE Options (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Section TEXT COLLATE NOCASE,
  "Key" TEXT COLLATE NOCASE,
  "Value" TEXT
);
CREATE INDEX Options_Key ON Options (Section, "Key");
