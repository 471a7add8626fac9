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
    speed INTEGER NOT NULL CHECK (speed >= 0),
    -- 1: a participant whose draw number has won is not drawn again. Older files get it at start-up.
    pemenang_tidak_diundi_lagi INTEGER NOT NULL DEFAULT 0 CHECK (pemenang_tidak_diundi_lagi IN (0, 1))
);
INSERT INTO setup (speed) VALUES (50);
