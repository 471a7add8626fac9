-- The tables of db_sms.mdb. Field order matters: the screens address fields by position.
CREATE TABLE tb_peserta (
    ID INTEGER NOT NULL UNIQUE CHECK (typeof(ID) = 'integer'),
    no_undian TEXT,
    nama TEXT,
    hp TEXT
);
CREATE TABLE tb_pemenang (
    no_undian TEXT,
    nama TEXT,
    hadiah TEXT
);
CREATE TABLE setup (
    speed INTEGER NOT NULL CHECK (speed >= 0)
);
INSERT INTO setup (speed) VALUES (50);
