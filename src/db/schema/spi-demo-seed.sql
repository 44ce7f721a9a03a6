-- The demonstration domain, loaded into its own database on top of spi-seed.sql
-- (scripts/pg-cluster.sh start DIR --demo). Its logon is the login role DEMO, password DEMO2026.

INSERT INTO project (proj_id, site_id, proj_name, proj_log_name, proj_log_pass) VALUES
    (21, 1, 'Demonstration Domain', 'DEMO', 'DEMO2026');

INSERT INTO plant_area_unit (proj_id, site_id, plant_id, area_id, unit_id) VALUES
    (21, 1, 0, 0, 0),
    (21, 1, 31, 32, 33);
