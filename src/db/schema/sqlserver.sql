-- The company database of a server company on SQL Server: the tables, fields and indexes of
-- sqlite.sql. Flags are bit (1 and 0). Keys and numbers are nvarchar(200) with a case-insensitive
-- collation: short enough for an index over two of them (at most 900 bytes), and compared
-- ignoring letter case whatever the database's own collation is. Other texts are nvarchar(max).
-- No semicolon in comments: the script may be split into statements at semicolons.

CREATE TABLE [Contacts] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [CustomerNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Matchcode] nvarchar(200),
  [Company] nvarchar(max),
  [Salutation] nvarchar(max),
  [Title] nvarchar(max),
  [Surname] nvarchar(max),
  [Name] nvarchar(max),
  [Addition] nvarchar(max),
  [Street] nvarchar(max),
  [Zip] nvarchar(max),
  [Town] nvarchar(max),
  [Country] nvarchar(max),
  [InvoiceAddress] nvarchar(max),
  [DeliveryAddress] nvarchar(max),
  [Phone] nvarchar(max),
  [Phone2] nvarchar(max),
  [Fax] nvarchar(max),
  [Mobile] nvarchar(max),
  [Email] nvarchar(max),
  [Internet] nvarchar(max),
  [BankName] nvarchar(max),
  [BankCode] nvarchar(max),
  [AccountNumber] nvarchar(max),
  [IBAN] nvarchar(max),
  [BIC] nvarchar(max),
  [AccountHolder] nvarchar(max),
  [VatIdNumber] nvarchar(max),
  [TaxNumber] nvarchar(max),
  [CustomerType] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [PaymentTerms] nvarchar(max),
  [Discount] float,
  [CreditLimit] float,
  [Birthday] datetime2,
  [Notes] nvarchar(max),
  [Active] bit,
  [DateCreation] datetime2,
  [DateUpdate] datetime2,
  [WorksOnLastOf] nvarchar(max)
);
CREATE INDEX [Contacts_CustomerNumber] ON [Contacts] ([CustomerNumber]);
CREATE INDEX [Contacts_Matchcode] ON [Contacts] ([Matchcode]);

CREATE TABLE [Articles] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ArticleNumberVariant] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ShortText] nvarchar(max),
  [LongText] nvarchar(max),
  [Barcode] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ArticleType] nvarchar(max),
  [ArticleGroup] nvarchar(max),
  [Unit] nvarchar(max),
  [VatCode] nvarchar(max),
  [Storage] nvarchar(max),
  [Label] nvarchar(max),
  [Manufacturer] nvarchar(max),
  [ManufacturerNumber] nvarchar(max),
  [Supplier] nvarchar(max),
  [SupplierNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [OrderNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [PurchasePrice] float,
  [Listprice] float,
  [NetPrice] float,
  [GrossPrice] float,
  [VatAmount] float,
  [NetCosts] float,
  [AveragePrice] float,
  [RetailPrice] float,
  [LastPrice] float,
  [ProductionCosts] float,
  [ExtraChargeSmall] bit,
  [ExtraChargeSmallAmount] float,
  [StockMin] float,
  [StockMax] float,
  [StockValue] float,
  [WeightNet] float,
  [WeightGross] float,
  [Length] float,
  [Width] float,
  [Height] float,
  [Diameter] float,
  [CustomsTariffNumber] nvarchar(max),
  [CountryOfOrigin] nvarchar(max),
  [Active] bit,
  [SpecialOfferPrice] bit,
  [RebateAble] bit,
  [Character] bit,
  [Variant] bit,
  [SalesPlanning] bit,
  [SerialnumberAble] bit,
  [ChargenumberAble] bit,
  [Substitute] bit,
  [POSAble] bit,
  [Chaining] bit,
  [Webshop] bit,
  [Equipment] bit,
  [PriceListVisible] bit,
  [LongTextNonSynch] bit,
  [ResponsibilityEAR] bit,
  [DateOfExpiryCheck] bit,
  [Graphic] int,
  [Notes] nvarchar(max),
  [DateCreation] datetime2,
  [DateUpdate] datetime2,
  [WorksOnLastOf] nvarchar(max),
  [BuildBy] nvarchar(max)
);
CREATE INDEX [Articles_ArticleNumber] ON [Articles] ([ArticleNumber]);
CREATE INDEX [Articles_Barcode] ON [Articles] ([Barcode]);

CREATE TABLE [Suppliers] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [SupplierNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Matchcode] nvarchar(max),
  [Company] nvarchar(max),
  [Salutation] nvarchar(max),
  [Title] nvarchar(max),
  [Surname] nvarchar(max),
  [Name] nvarchar(max),
  [Addition] nvarchar(max),
  [Street] nvarchar(max),
  [Zip] nvarchar(max),
  [Town] nvarchar(max),
  [Country] nvarchar(max),
  [Address] nvarchar(max),
  [Phone] nvarchar(max),
  [Phone2] nvarchar(max),
  [Fax] nvarchar(max),
  [Mobile] nvarchar(max),
  [Email] nvarchar(max),
  [Internet] nvarchar(max),
  [BankName] nvarchar(max),
  [BankCode] nvarchar(max),
  [AccountNumber] nvarchar(max),
  [IBAN] nvarchar(max),
  [BIC] nvarchar(max),
  [AccountHolder] nvarchar(max),
  [VatIdNumber] nvarchar(max),
  [TaxNumber] nvarchar(max),
  [OurCustomerNumber] nvarchar(max),
  [PaymentTerms] nvarchar(max),
  [Discount] float,
  [Notes] nvarchar(max),
  [Active] bit,
  [DateCreation] datetime2,
  [DateUpdate] datetime2,
  [WorksOnLastOf] nvarchar(max)
);
CREATE INDEX [Suppliers_SupplierNumber] ON [Suppliers] ([SupplierNumber]);

CREATE TABLE [ArticleSuppliers] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ArticleNumberVariant] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Supplier] nvarchar(max),
  [SupplierNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [OrderNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Barcode] nvarchar(max),
  [ShortText] nvarchar(max),
  [ListPrice] float,
  [Rebate] float,
  [PurchasePrice] float,
  [Unit] nvarchar(max),
  [VatCode] nvarchar(max),
  [Standard] bit,
  [DeliveryTime] int,
  [MinimumOrderQuantity] float,
  [Notes] nvarchar(max)
);
CREATE INDEX [ArticleSuppliers_Article] ON [ArticleSuppliers] ([ArticleNumber], [OrderNumber]);

CREATE TABLE [ServiceEquipments] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [SerialNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [EquipmentNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Description] nvarchar(max),
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [CustomerNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Location] nvarchar(max),
  [InstallationDate] datetime2,
  [WarrantyUntil] datetime2,
  [Notes] nvarchar(max),
  [Active] bit
);
CREATE INDEX [ServiceEquipments_SerialNumber] ON [ServiceEquipments] ([SerialNumber]);

CREATE TABLE [PositionsServiceEquipments] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [EquipmentNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [LineItemNumber] nvarchar(max),
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [SerialNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Description] nvarchar(max),
  [Quantity] float,
  [ValidFrom] datetime2,
  [ValidTo] datetime2,
  [Notes] nvarchar(max)
);
CREATE INDEX [PositionsServiceEquipments_Equipment] ON [PositionsServiceEquipments] ([EquipmentNumber]);

CREATE TABLE [Warehouse] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [StockingNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Number] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Quantity] float,
  [Disposable] float,
  [Unsociable] float,
  [Date] datetime2,
  [Batch] nvarchar(max),
  [SerialNumber] nvarchar(max),
  [Blocked] bit,
  [BlockedBy] nvarchar(max),
  [BlockedAt] datetime2,
  [ReasonBlocking] nvarchar(max),
  [Notes] nvarchar(max),
  [DateCreation] datetime2,
  [DateUpdate] datetime2,
  [WorksOnLastOf] nvarchar(max)
);
CREATE INDEX [Warehouse_StockingNumber] ON [Warehouse] ([StockingNumber]);
CREATE INDEX [Warehouse_ArticleNumber] ON [Warehouse] ([ArticleNumber]);

CREATE TABLE [StorageStructure] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [Category] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [SubCategory] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Description] nvarchar(max),
  [Symbol] int,
  [Number] nvarchar(max),
  [Warehouseman] nvarchar(max),
  [Address] nvarchar(max),
  [Notes] nvarchar(max)
);
CREATE INDEX [StorageStructure_SubCategory] ON [StorageStructure] ([SubCategory]);

CREATE TABLE [ArticleCustomerTypePrices] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [CustomerType] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [NetPrice] float,
  [GrossPrice] float,
  [VatAmount] float,
  [Rebate] float,
  [Notes] nvarchar(max)
);
CREATE INDEX [ArticleCustomerTypePrices_Key] ON [ArticleCustomerTypePrices] ([ArticleNumber], [CustomerType]);

CREATE TABLE [ArticleWebshop] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [ArticleNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [ArticleNumberWebshop] nvarchar(max),
  [Caption] nvarchar(max),
  [ShortText] nvarchar(max),
  [LongText] nvarchar(max),
  [WebshopCategory] nvarchar(max),
  [Synchronise] bit,
  [Active] bit,
  [FSK18] bit,
  [RebateAllowed] int,
  [URLManufacturer] nvarchar(max),
  [URLShop] nvarchar(max),
  [PublicationDate] datetime2,
  [SequenceCategory] nvarchar(max),
  [Keywords] nvarchar(max),
  [StartPage] bit,
  [SequenceStartpage] nvarchar(max),
  [TemplateDetails] nvarchar(max),
  [TemplateOptions] nvarchar(max),
  [MetaTitle] nvarchar(max),
  [MetaDescription] nvarchar(max),
  [MetaKeywords] nvarchar(max),
  [PackingUnit] nvarchar(max),
  [PackingUnitValue] float,
  [PackingUnitStatus] bit,
  [StockScaling] int,
  [StockQuantity] float,
  [DeliveryStatus] nvarchar(max),
  [Deliverable] bit,
  [StockValues] nvarchar(max)
);
CREATE INDEX [ArticleWebshop_ArticleNumber] ON [ArticleWebshop] ([ArticleNumber]);

CREATE TABLE [AccountSystem] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [AccountNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Description] nvarchar(max),
  [AccountType] nvarchar(max),
  [AccountClass] nvarchar(max),
  [VatCode] nvarchar(max),
  [Balance] float,
  [Debit] float,
  [Credit] float,
  [Notes] nvarchar(max)
);
CREATE INDEX [AccountSystem_AccountNumber] ON [AccountSystem] ([AccountNumber]);

CREATE TABLE [Taxes] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [TaxKeyNumber] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Description] nvarchar(max),
  [Percentage] float,
  [Active] bit,
  [RevenueAccount] nvarchar(max),
  [InputTaxAccount] nvarchar(max)
);
CREATE INDEX [Taxes_TaxKeyNumber] ON [Taxes] ([TaxKeyNumber]);

CREATE TABLE [ArticleTypes] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [Description] nvarchar(max),
  [Active] bit
);

CREATE TABLE [Units] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [Description] nvarchar(max),
  [Active] bit
);

CREATE TABLE [ArticlePictures] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [filename] nvarchar(255),
  [FileSize] nvarchar(max),
  [Measure] nvarchar(max),
  [Date] datetime2,
  [Path] nvarchar(max),
  [Picture] varbinary(max)
);
-- A folder may be a long web address, too long for an index key: it is only carried in the index.
CREATE INDEX [ArticlePictures_File] ON [ArticlePictures] ([filename]) INCLUDE ([Path]);

CREATE TABLE [Options] (
  [ID] bigint IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [Section] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Key] nvarchar(200) COLLATE Latin1_General_CI_AS,
  [Value] nvarchar(max)
);
CREATE INDEX [Options_Key] ON [Options] ([Section], [Key]);
