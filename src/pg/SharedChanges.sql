-- The record of what every commit to a shared register changed, the
-- program's own and other programs' alike, written by the triggers alone.
-- A window reads here what to copy; the announcement on channel
-- "sudregister" only wakes it, since any role that may connect can send
-- one, saying anything. Safe to run again on a register set up before.
CREATE TABLE IF NOT EXISTS sudregister_changes (
    "Seq" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    -- The writing transaction: a window reads from the oldest one still
    -- running when it last read, so that a commit arriving late is not
    -- missed whatever its "Seq".
    "Xid" xid8 NOT NULL DEFAULT pg_current_xact_id(),
    "At" timestamptz NOT NULL DEFAULT now(),
    "TableName" text NOT NULL,
    -- The changed row's key; Null when a statement changed more rows than
    -- are worth naming, and the table is copied anew.
    "RowKey" bigint
);
CREATE INDEX IF NOT EXISTS sudregister_changes_xid ON sudregister_changes ("Xid");
REVOKE ALL ON sudregister_changes FROM PUBLIC;

-- Runs with its owner's rights: a role that may write the register may not
-- write this record, except through its writes.
CREATE OR REPLACE FUNCTION sudregister_changed() RETURNS trigger
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
DECLARE
    counted bigint;
BEGIN
    IF TG_OP = 'DELETE' THEN
        SELECT count(*) INTO counted FROM gone;
    ELSE
        SELECT count(*) INTO counted FROM came;
    END IF;
    IF counted = 0 THEN
        RETURN NULL;
    END IF;
    IF counted > 10000 THEN
        INSERT INTO sudregister_changes ("TableName") VALUES (TG_TABLE_NAME);
    ELSIF TG_OP = 'DELETE' THEN
        INSERT INTO sudregister_changes ("TableName", "RowKey")
            SELECT TG_TABLE_NAME, (to_jsonb(o) ->> TG_ARGV[0])::bigint FROM gone o;
    ELSE
        INSERT INTO sudregister_changes ("TableName", "RowKey")
            SELECT TG_TABLE_NAME, (to_jsonb(n) ->> TG_ARGV[0])::bigint FROM came n;
    END IF;
    -- Now and then what every listening window copied long ago goes.
    IF random() < 0.002 THEN
        DELETE FROM sudregister_changes WHERE "At" < now() - interval '1 day';
    END IF;
    PERFORM pg_notify('sudregister', TG_TABLE_NAME);
    RETURN NULL;
END;
$$;

DROP TRIGGER IF EXISTS "BreweryAdded" ON "Brewery";
DROP TRIGGER IF EXISTS "BreweryChanged" ON "Brewery";
DROP TRIGGER IF EXISTS "BreweryDeleted" ON "Brewery";
DROP TRIGGER IF EXISTS "ChronikAdded" ON "BreweryChronik";
DROP TRIGGER IF EXISTS "ChronikChanged" ON "BreweryChronik";
DROP TRIGGER IF EXISTS "ChronikDeleted" ON "BreweryChronik";
CREATE TRIGGER "BreweryAdded" AFTER INSERT ON "Brewery" REFERENCING NEW TABLE AS came
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('RowId');
CREATE TRIGGER "BreweryChanged" AFTER UPDATE ON "Brewery" REFERENCING NEW TABLE AS came
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('RowId');
CREATE TRIGGER "BreweryDeleted" AFTER DELETE ON "Brewery" REFERENCING OLD TABLE AS gone
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('RowId');
CREATE TRIGGER "ChronikAdded" AFTER INSERT ON "BreweryChronik" REFERENCING NEW TABLE AS came
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('ChronikId');
CREATE TRIGGER "ChronikChanged" AFTER UPDATE ON "BreweryChronik" REFERENCING NEW TABLE AS came
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('ChronikId');
CREATE TRIGGER "ChronikDeleted" AFTER DELETE ON "BreweryChronik" REFERENCING OLD TABLE AS gone
    FOR EACH STATEMENT EXECUTE FUNCTION sudregister_changed('ChronikId');
