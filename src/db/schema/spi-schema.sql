-- Development copy of the SPI schema: the tables and columns the import reads and writes, for
-- PostgreSQL 15. A real installation has many more of each; nothing here is meant to match it
-- beyond what the import's statements touch.
--
-- Conventions that the import depends on:
--   * identifier columns are integers and primary keys, so max()+1 is free and a duplicate
--     identifier fails loudly instead of silently doubling a row;
--   * columns the import writes bare are numeric (numeric where the library carries decimals),
--     columns it writes between quotes are text;
--   * change dates are DATE columns; the import sends texts such as '06-Dec-26' and the library
--     texts such as '14-Mar-25', which read correctly only under DateStyle DMY (set on the
--     database by scripts/pg-cluster.sh);
--   * panel and udf_panel carry no foreign keys: for a login that is not a superuser,
--     "ALTER TABLE ... DISABLE TRIGGER ALL" fails on a table whose foreign keys add system
--     triggers. No other table has them either, since the import writes 0 for "none" in many
--     reference columns.
--
-- Load this file as the role that is to own the tables: ALTER TABLE needs the owner.

CREATE TABLE license (
    rev_software        varchar(255)
);

CREATE TABLE project (
    proj_id             integer PRIMARY KEY,
    site_id             integer NOT NULL,
    proj_name           varchar(255) NOT NULL,
    proj_log_name       varchar(255) NOT NULL,
    proj_log_pass       varchar(255) NOT NULL
);

CREATE TABLE plant_area_unit (
    proj_id             integer NOT NULL,
    site_id             integer NOT NULL,
    plant_id            integer NOT NULL,
    area_id             integer NOT NULL,
    unit_id             integer NOT NULL,
    PRIMARY KEY (proj_id, site_id, plant_id, area_id, unit_id)
);

-- Terminal catalogue ---------------------------------------------------------------------------

CREATE TABLE term_mfr (
    term_mfr_id         integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    term_mfr_name       varchar(255),
    term_mfr_desc       varchar(2000)
);

CREATE TABLE term_mfr_mod (
    term_mod_id         integer PRIMARY KEY,
    term_mfr_id         integer,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    term_mod_name       varchar(255),
    term_height         numeric,
    height_uom_id       integer,
    term_width          numeric,
    width_uom_id        integer,
    term_depth          numeric,
    depth_uom_id        integer,
    term_mod_desc       varchar(2000)
);

-- The colour value is written bare and looked up between quotes; a numeric column accepts both.
CREATE TABLE term_color (
    term_color_id       integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    term_color_name     varchar(255),
    term_color_value    bigint,
    term_color_desc     varchar(2000)
);

-- Apparatus group configurations -------------------------------------------------------------

CREATE TABLE strip_config (
    strip_config_id     integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    chg_status          varchar(255),
    chg_date            date,
    user_name           varchar(255),
    strip_config_name   varchar(255),
    strip_config_desc   varchar(2000),
    strip_name_default  varchar(255),
    term_count          integer,
    first_term          integer,
    first_chn_no        integer,
    term_in_chn         integer,
    term_mfr_id         integer,
    term_mod_id         integer,
    hardware_count      integer,
    config_type         varchar(255),
    strip_category      varchar(255),
    terminator_flg      varchar(255),
    prefix              varchar(255),
    numbered            varchar(255)
);

CREATE TABLE strip_config_term (
    strip_config_term_id integer PRIMARY KEY,
    strip_config_id     integer,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    chg_status          varchar(255),
    chg_date            date,
    user_name           varchar(255),
    term_cfg_prefix     varchar(255),
    term_cfg_suffix     varchar(255),
    incremented_flg     varchar(255),
    numbered_flg        varchar(255),
    term_color_left_id  integer,
    term_color_right_id integer,
    term_hw_flg         varchar(255),
    channel_left        varchar(255),
    channel_right       varchar(255),
    func_left           varchar(255),
    func_right          varchar(255),
    polarity_left       varchar(255),
    polarity_right      varchar(255),
    term_num            varchar(255)
);

-- Junction boxes ---------------------------------------------------------------------------------

CREATE TABLE panel (
    panel_id            integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    unit_id             integer,
    user_name           varchar(255),
    chg_status          varchar(255),
    chg_date            date,
    panel_name          varchar(255),
    panel_mfr_id        integer,
    panel_mod_id        integer,
    panel_type_id       integer,
    power_uom_id        integer,
    resist_uom_id       integer,
    induct_uom_id       integer,
    capac_uom_id        integer,
    panel_category_id   integer,
    def_flg             varchar(255),
    panel_category_seq  integer,
    panel_loc_id        integer,
    wire_group_id       integer,
    parent_id           integer,
    dwg_id              integer,
    area_id             integer,
    eng_proj_id         integer,
    eng_ref_id          integer,
    panel_sub_category  integer,
    comply_with_nc_flg  varchar(255),
    rev_id              integer,
    tc_line_number_id   integer,
    area_class_id       integer,
    is_cert             varchar(255),
    frequency_id        integer,
    number_of_phases_id integer,
    operating_mode_id   integer,
    rated_voltage_id    integer,
    max_volt            numeric,
    max_current         numeric,
    max_power           numeric,
    resist              numeric,
    induct              numeric,
    capacity            numeric,
    ind_rest_ratio      numeric,
    max_load_uom_id     integer,
    act_load_uom_id     integer,
    tc_net_cls_id       integer,
    tc_sub_sys_id       integer,
    related_voltage_id  integer,
    power_supply_type_flag varchar(255),
    cmpnt_critical_id   integer,
    first_rack_pos_num  integer,
    cabinet_type        integer,
    connection_flg      varchar(255)
);

CREATE TABLE udf_panel (
    panel_id            integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    eng_proj_id         integer,
    eng_ref_id          integer
);

-- Strip catalogue --------------------------------------------------------------------------------

CREATE TABLE strip_mfr (
    strip_mfr_id        integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    strip_mfr_name      varchar(255),
    strip_mfr_desc      varchar(2000)
);

CREATE TABLE strip_mfr_mod (
    strip_mod_id        integer PRIMARY KEY,
    strip_mfr_id        integer,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    strip_mod_name      varchar(255),
    strip_mod_desc      varchar(2000),
    strip_mnt           varchar(255),
    strip_height        numeric,
    height_uom_id       integer,
    strip_width         numeric,
    width_uom_id        integer,
    strip_depth         numeric,
    depth_uom_id        integer,
    strip_rail_size     numeric,
    rail_uom_id         integer
);

CREATE TABLE strip_type (
    strip_type_id       integer PRIMARY KEY,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    chg_status          varchar(255),
    user_name           varchar(255),
    chg_date            date,
    strip_type_name     varchar(255),
    strip_type_desc     varchar(2000)
);

-- Strips, channels and terminals of junction boxes -------------------------------------------

CREATE TABLE panel_strip (
    strip_id            integer PRIMARY KEY,
    panel_id            integer,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    user_name           varchar(255),
    chg_status          varchar(255),
    chg_date            date,
    strip_mfr_id        integer,
    strip_mod_id        integer,
    strip_type_id       integer,
    def_flg             varchar(255),
    rack_id             integer,
    cmpnt_sys_io_type_id integer,
    position            integer,
    strip_category      integer,
    controller_id       integer,
    appar_id            integer,
    channel_id          integer,
    panel_strip_seq     integer,
    remote_panel_id     integer,
    sec_remote_panel_id integer,
    sec_rack_id         integer,
    sec_position        integer,
    sec_double_flg      varchar(255),
    eng_proj_id         integer,
    eng_ref_id          integer,
    strip_name          varchar(255),
    double_flag         integer,
    remote_flg          integer,
    redundant_flg       integer,
    sec_remote_sys_cable integer,
    mounting            varchar(255),
    dimensions          varchar(255),
    rail                varchar(255)
);

CREATE TABLE channel (
    channel_id          integer PRIMARY KEY,
    panel_id            integer,
    strip_id            integer,
    channel_name        varchar(255),
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    user_name           varchar(255),
    chg_status          varchar(255),
    chg_date            date,
    plant_id            integer,
    area_id             integer,
    unit_id             integer,
    def_flg             varchar(255),
    signal_type_id      integer,
    primary_appar_id    integer,
    secondary_appar_id  integer,
    eng_proj_id         integer,
    eng_ref_id          integer,
    channel_category    varchar(255),
    appar_id            integer,
    term_mfr_id         integer,
    term_mod_id         integer,
    channel_seq         integer,
    channel_desc        varchar(2000),
    terminator_flg      varchar(255),
    channel_side        integer,
    connector_id        integer
);

CREATE TABLE panel_strip_term (
    term_id             integer PRIMARY KEY,
    panel_id            integer,
    strip_id            integer,
    proj_id             integer,
    site_id             integer,
    chg_num             integer,
    user_name           varchar(255),
    chg_status          varchar(255),
    chg_date            date,
    term_seq            integer,
    term_num            varchar(255),
    term_type_id        integer,
    term_mfr_id         integer,
    term_mod_id         integer,
    term_color_id       integer,
    def_flg             varchar(255),
    channel_id          integer,
    term_split_flg      varchar(255),
    term_sec_name       varchar(255),
    term_hw_flg         varchar(255),
    term_color_right_id integer,
    port_right_id       integer,
    port_left_id        integer,
    pin_right_id        integer,
    pin_left_id         integer,
    polarity_right      varchar(255),
    polarity_left       varchar(255),
    func_left           varchar(255),
    func_right          varchar(255),
    term_source_id      integer,
    area_id             integer,
    plant_id            integer,
    unit_id             integer,
    hw_pos_id           integer,
    eng_proj_id         integer,
    eng_ref_id          integer
);

-- The one sequence an Oracle installation draws every identifier from. Other platforms use
-- max()+1 and never touch it; it is here so the Oracle statement has something to name.
CREATE SEQUENCE seq_next_id;

-- Stand-ins for an installation's own triggers on junction boxes. Each insert leaves an audit
-- row, so a test can tell whether an insert ran with the triggers switched off.
CREATE TABLE trigger_audit (
    audit_id            serial PRIMARY KEY,
    table_name          varchar(255) NOT NULL,
    panel_id            integer,
    logged_at           timestamp NOT NULL DEFAULT now()
);

CREATE FUNCTION audit_panel_insert() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO trigger_audit (table_name, panel_id) VALUES (TG_TABLE_NAME, NEW.panel_id);
    RETURN NEW;
END
$$;

CREATE TRIGGER panel_audit AFTER INSERT ON panel
    FOR EACH ROW EXECUTE FUNCTION audit_panel_insert();
CREATE TRIGGER udf_panel_audit AFTER INSERT ON udf_panel
    FOR EACH ROW EXECUTE FUNCTION audit_panel_insert();
