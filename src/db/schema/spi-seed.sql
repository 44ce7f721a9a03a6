-- Seed rows of the development SPI database. Load after spi-schema.sql, as the tables' owner.
--
-- Domains: the logon of a domain is also a database login (scripts/pg-cluster.sh creates the
-- login roles with the same names and passwords). The program upper-cases both before use, so
-- they are upper case here.
--
--   proj_id  site_id  proj_name             logon      password
--   11       1        Hollin Works          HOLLIN     HOLLIN1    (owns the tables)
--   12       1        Brackmoor Terminal    BRACKMOOR  BRACK2
--
-- Catalogue rows exist only in Brackmoor, so a Hollin import that reuses them proves that the
-- lookups span domains. panel, udf_panel, strip_config, strip_config_term, panel_strip, channel
-- and panel_strip_term start empty.

INSERT INTO license (rev_software) VALUES ('09.00.01.05');

INSERT INTO project (proj_id, site_id, proj_name, proj_log_name, proj_log_pass) VALUES
    (11, 1, 'Hollin Works', 'HOLLIN', 'HOLLIN1'),
    (12, 1, 'Brackmoor Terminal', 'BRACKMOOR', 'BRACK2');

-- The all-zero rows come first so that a query forgetting the "> 0" conditions picks them.
INSERT INTO plant_area_unit (proj_id, site_id, plant_id, area_id, unit_id) VALUES
    (11, 1, 0, 0, 0),
    (11, 1, 0, 4, 5),
    (11, 1, 3, 4, 5),
    (12, 1, 0, 0, 0),
    (12, 1, 7, 8, 9);

INSERT INTO term_mfr (term_mfr_id, proj_id, site_id, chg_num, plant_id, area_id, unit_id,
                      chg_status, user_name, chg_date, term_mfr_name, term_mfr_desc) VALUES
    (1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Ostrava Klemmen', 'Terminal maker'),
    (2, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Veldmark', 'Terminal maker');

INSERT INTO term_mfr_mod (term_mod_id, term_mfr_id, proj_id, site_id, chg_num, plant_id, area_id,
                          unit_id, chg_status, user_name, chg_date, term_mod_name, term_height,
                          height_uom_id, term_width, width_uom_id, term_depth, depth_uom_id,
                          term_mod_desc) VALUES
    (1, 1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'OK-4', 42.5, 1, 6.2, 1, 38, 1, 'Feed-through'),
    (2, 2, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'OK-4', 40, 1, 5, 1, 30, 1, 'Same name, other maker');

INSERT INTO term_color (term_color_id, proj_id, site_id, chg_num, plant_id, area_id, unit_id,
                        chg_status, user_name, chg_date, term_color_name, term_color_value,
                        term_color_desc) VALUES
    (1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Grey', 8421504, 'Standard grey'),
    (2, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Blue', 255, 'Neutral blue');

INSERT INTO strip_mfr (strip_mfr_id, proj_id, site_id, chg_num, plant_id, area_id, unit_id,
                       chg_status, user_name, chg_date, strip_mfr_name, strip_mfr_desc) VALUES
    (1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Ostrava Klemmen', 'Strip maker');

INSERT INTO strip_mfr_mod (strip_mod_id, strip_mfr_id, proj_id, site_id, chg_num, plant_id,
                           area_id, unit_id, chg_status, user_name, chg_date, strip_mod_name,
                           strip_mod_desc, strip_mnt, strip_height, height_uom_id, strip_width,
                           width_uom_id, strip_depth, depth_uom_id, strip_rail_size,
                           rail_uom_id) VALUES
    (1, 1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'DIN-35', 'Rail strip', 'DIN', 35, 1,
     100, 1, 7.5, 1, 35, 1);

INSERT INTO strip_type (strip_type_id, proj_id, site_id, chg_num, plant_id, area_id, unit_id,
                        chg_status, user_name, chg_date, strip_type_name, strip_type_desc) VALUES
    (1, 12, 1, 0, 7, 8, 9, 'W', 'SEED', '14-Mar-25', 'Terminal strip', ' ');
