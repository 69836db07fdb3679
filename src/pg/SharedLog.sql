-- Who changed what in a shared register, and when: one row per changed row
-- of either table, written by the triggers below in the transaction of the
-- change, whichever program made it. "Who" is the server's session user, so
-- that no window can name someone else; "Step" is what the program says it
-- was doing ("edit", "import of list.lst"), Null for another program.
-- "Before" and "After" hold the changed fields only, by name. Readers and
-- editors may read it; no role writes it but through the triggers. Safe to
-- run again on a register set up before.
CREATE TABLE IF NOT EXISTS sudregister_log (
    "LogId" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    "At" timestamptz NOT NULL,
    "Who" text NOT NULL,
    "Step" text,
    "TableName" text NOT NULL,
    "RowKey" bigint NOT NULL,
    -- The brewery the row is, or belongs to.
    "BreweryKey" bigint,
    "Kind" text NOT NULL CHECK ("Kind" IN ('added', 'changed', 'deleted')),
    "Before" jsonb,
    "After" jsonb
);
CREATE INDEX IF NOT EXISTS sudregister_log_brewery ON sudregister_log ("BreweryKey");
REVOKE ALL ON sudregister_log FROM PUBLIC;

-- Runs with its owner's rights: a role that may write the register may not
-- write its log, except through its writes. TG_ARGV: the table's key field,
-- and the field naming the row's brewery.
CREATE OR REPLACE FUNCTION sudregister_logged() RETURNS trigger
    LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
DECLARE
    was jsonb;
    now_is jsonb;
    before jsonb;
    after jsonb;
    kind text;
BEGIN
    IF TG_OP <> 'INSERT' THEN
        was := to_jsonb(OLD);
    END IF;
    IF TG_OP <> 'DELETE' THEN
        now_is := to_jsonb(NEW);
    END IF;
    IF TG_OP = 'INSERT' THEN
        kind := 'added';
        after := now_is - TG_ARGV[0];
    ELSIF TG_OP = 'DELETE' THEN
        kind := 'deleted';
        before := was - TG_ARGV[0];
    ELSE
        kind := 'changed';
        SELECT jsonb_object_agg(o.key, o.value) INTO before
          FROM jsonb_each(was) o WHERE o.value IS DISTINCT FROM now_is -> o.key;
        IF before IS NULL THEN
            RETURN NULL;
        END IF;
        SELECT jsonb_object_agg(n.key, n.value) INTO after
          FROM jsonb_each(now_is) n WHERE n.value IS DISTINCT FROM was -> n.key;
    END IF;
    INSERT INTO sudregister_log ("At", "Who", "Step", "TableName", "RowKey", "BreweryKey", "Kind", "Before", "After")
    VALUES (now(), session_user, nullif(current_setting('sudregister.step', true), ''), TG_TABLE_NAME,
            (coalesce(now_is, was) ->> TG_ARGV[0])::bigint, (coalesce(now_is, was) ->> TG_ARGV[1])::bigint,
            kind, before, after);
    RETURN NULL;
END;
$$;
REVOKE ALL ON FUNCTION sudregister_logged() FROM PUBLIC;

DROP TRIGGER IF EXISTS "BreweryLogged" ON "Brewery";
DROP TRIGGER IF EXISTS "ChronikLogged" ON "BreweryChronik";
CREATE TRIGGER "BreweryLogged" AFTER INSERT OR UPDATE OR DELETE ON "Brewery"
    FOR EACH ROW EXECUTE FUNCTION sudregister_logged('RowId', 'RowId');
CREATE TRIGGER "ChronikLogged" AFTER INSERT OR UPDATE OR DELETE ON "BreweryChronik"
    FOR EACH ROW EXECUTE FUNCTION sudregister_logged('ChronikId', 'ParentRowId');
