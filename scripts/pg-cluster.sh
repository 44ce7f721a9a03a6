#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster holding the development SPI database, reached through ODBC.
#
#   pg-cluster.sh start DIR [--demo] [--durable]
#                                     fresh cluster in DIR: template database spi_template,
#                                     working database spi; with --demo also spi_demo holding
#                                     the demonstration domain; --durable keeps every commit
#                                     through a halt (slower)
#   pg-cluster.sh stop DIR            stops the server and removes its data
#   pg-cluster.sh env DIR             prints, ready for eval, ODBCSYSINI to export and the values
#                                     a user types into the window (server, database, logon,
#                                     password); the demonstration domain's when started --demo
#   pg-cluster.sh halt DIR            stops the server at once, as a crash would, keeping its data
#   pg-cluster.sh resume DIR          starts a halted server again
#   pg-cluster.sh psql DIR [DB] [ARGS...]
#                                     psql as the superuser (DB defaults to the working database)
#
# The server listens on a unix socket only, in a folder of its own, so clusters in different
# folders never collide. The window's "Server Name" is that socket folder. The ODBC driver is
# registered in DIR/odbc/odbcinst.ini under the provider names sqloledb and sqlncli; export
# ODBCSYSINI=DIR/odbc so that unixODBC finds it.
#
# DIR/cluster.env records the cluster for test helpers: KEY=VALUE lines, values unquoted.
set -euo pipefail

readonly PG_BIN=/usr/lib/postgresql/15/bin
readonly PSQLODBC=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so
readonly PORT=5432
readonly SUPERUSER=postgres
readonly TEMPLATE_DB=spi_template
readonly WORKING_DB=spi
readonly DEMO_DB=spi_demo
readonly MARKER=.tarnwell-pg-cluster

# Login roles, one per seeded domain: name, password. The first owns the SPI tables; the others
# are members of it, which lets them switch the junction-box triggers too. Keep in step with
# the project rows of src/db/schema/spi-seed.sql and spi-demo-seed.sql.
readonly OWNER_ROLE=HOLLIN OWNER_PASSWORD=HOLLIN1
readonly MEMBER_ROLES=("BRACKMOOR:BRACK2" "DEMO:DEMO2026")
readonly DEMO_ROLE=DEMO DEMO_PASSWORD=DEMO2026

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
schema_dir=$script_dir/../src/db/schema

die() {
    echo "pg-cluster.sh: $*" >&2
    exit 1
}

usage() {
    sed -n '2,17s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
    exit 2
}

# PostgreSQL refuses to run as root; root runs the server as the postgres user instead.
as_server_user() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

absolute_dir() {
    mkdir -p "$1"
    (cd "$1" && pwd)
}

socket_dir_of() {
    cat "$1/socket-dir" 2>/dev/null || die "no cluster was started in $1"
}

# psql as the superuser on database $2 of cluster $1; remaining arguments go to psql.
superuser_psql() {
    local dir=$1 db=$2
    shift 2
    PGPASSWORD=$(cat "$dir/superuser-password") \
        "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$(socket_dir_of "$dir")" -p "$PORT" \
        -U "$SUPERUSER" -d "$db" "$@"
}

# psql as the owning login role, so that everything it creates belongs to that role.
owner_psql() {
    local dir=$1 db=$2
    shift 2
    PGPASSWORD=$OWNER_PASSWORD \
        "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$(socket_dir_of "$dir")" -p "$PORT" \
        -U "$OWNER_ROLE" -d "$db" "$@"
}

# The server keeps its data, socket and log in its runtime folder: DIR itself, or a short folder
# under /tmp when DIR's path is too long for a socket or the server user cannot reach DIR.
stop_cluster() {
    local dir=$1
    [ -f "$dir/$MARKER" ] || return 0
    local runtime
    runtime=$(cat "$dir/runtime-dir" 2>/dev/null || true)
    if [ -n "$runtime" ] && [ -f "$runtime/data/postmaster.pid" ]; then
        as_server_user "$PG_BIN/pg_ctl" -D "$runtime/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    # A runtime folder outside DIR was made by mktemp under /tmp; nothing else is removed there.
    if [ -n "$runtime" ] && [ "$runtime" != "$dir" ] && [[ $runtime == /tmp/twpg.* ]]; then
        rm -rf -- "$runtime"
    fi
    rm -rf -- "$dir/data" "$dir/s" "$dir/server.log" "$dir/odbc" "$dir/runtime-dir" \
        "$dir/socket-dir" "$dir/cluster.env" "$dir/superuser-password" "$dir/demo"
}

start_cluster() {
    local dir=$1 demo=$2 durable=${3:-no}
    if [ -e "$dir" ] && [ -n "$(ls -A "$dir" 2>/dev/null)" ] && [ ! -f "$dir/$MARKER" ]; then
        die "$dir is not empty and holds no cluster of this script; refusing to touch it"
    fi
    mkdir -p "$dir"
    dir=$(absolute_dir "$dir")
    touch "$dir/$MARKER"
    stop_cluster "$dir"

    [ -x "$PG_BIN/initdb" ] || die "PostgreSQL 15 is not installed (scripts/setup.sh installs it)"
    [ -f "$PSQLODBC" ] || die "psqlODBC is not installed (scripts/setup.sh installs it)"

    (umask 077 && od -An -N18 -tx1 /dev/urandom | tr -d ' \n' >"$dir/superuser-password")

    # Socket paths are limited to about 107 bytes, and a server run as postgres must be able to
    # reach its folder; otherwise everything the server touches goes to a short folder in /tmp.
    local runtime=$dir
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres: "$dir"
        runuser -u postgres -- test -w "$dir" -a -x "$dir" || runtime=
    fi
    if [ -z "$runtime" ] || [ $((${#dir} + ${#PORT} + 14)) -gt 100 ]; then
        runtime=$(mktemp -d /tmp/twpg.XXXXXX)
        chmod 755 "$runtime"
    fi
    local socket=$runtime/s
    mkdir -p "$socket"
    echo "$runtime" >"$dir/runtime-dir"
    echo "$socket" >"$dir/socket-dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown -R postgres: "$runtime"
    fi

    # initdb reads the password as the server user, who may not reach DIR.
    local pwfile=$runtime/initdb-password
    (umask 077 && cp "$dir/superuser-password" "$pwfile")
    [ "$(id -u)" -ne 0 ] || chown postgres: "$pwfile"
    as_server_user "$PG_BIN/initdb" -D "$runtime/data" --no-sync -U "$SUPERUSER" \
        --pwfile="$pwfile" -A scram-sha-256 -E UTF8 --locale=C >/dev/null
    rm -f -- "$pwfile"
    cat >>"$runtime/data/postgresql.conf" <<EOF
listen_addresses = ''
port = $PORT
unix_socket_directories = '$socket'
fsync = off
synchronous_commit = $([ "$durable" = yes ] && echo on || echo off)
full_page_writes = off
lc_messages = 'C'
datestyle = 'iso, dmy'
max_connections = 200
EOF
    as_server_user "$PG_BIN/pg_ctl" -D "$runtime/data" -l "$runtime/server.log" -w -t 30 start \
        >/dev/null || die "the server did not start; see $runtime/server.log"

    local roles="CREATE ROLE \"$OWNER_ROLE\" LOGIN PASSWORD '$OWNER_PASSWORD';"
    local entry
    for entry in "${MEMBER_ROLES[@]}"; do
        roles+=" CREATE ROLE \"${entry%%:*}\" LOGIN PASSWORD '${entry#*:}' IN ROLE \"$OWNER_ROLE\";"
    done
    superuser_psql "$dir" postgres -c "$roles"
    superuser_psql "$dir" postgres -c "CREATE DATABASE $TEMPLATE_DB OWNER \"$OWNER_ROLE\""
    owner_psql "$dir" "$TEMPLATE_DB" -f "$schema_dir/spi-schema.sql" -f "$schema_dir/spi-seed.sql"
    # Marked as a template so that a login with CREATEDB could copy it too; nobody may connect
    # to it from now on, or copying it would fail.
    superuser_psql "$dir" postgres \
        -c "ALTER DATABASE $TEMPLATE_DB WITH IS_TEMPLATE true ALLOW_CONNECTIONS false"
    create_spi_database "$dir" "$WORKING_DB"
    if [ "$demo" = yes ]; then
        create_spi_database "$dir" "$DEMO_DB"
        owner_psql "$dir" "$DEMO_DB" -f "$schema_dir/spi-demo-seed.sql"
        touch "$dir/demo"
    fi

    mkdir -p "$dir/odbc"
    cat >"$dir/odbc/odbcinst.ini" <<EOF
[ODBC]
Trace=No

[sqloledb]
Description=PostgreSQL Unicode driver standing in for SQL Server
Driver=$PSQLODBC

[sqlncli]
Description=PostgreSQL Unicode driver standing in for SQL Server 2005
Driver=$PSQLODBC
EOF
    : >"$dir/odbc/odbc.ini"

    cat >"$dir/cluster.env" <<EOF
SOCKET_DIR=$socket
PORT=$PORT
SUPERUSER=$SUPERUSER
SUPERUSER_PASSWORD_FILE=$dir/superuser-password
TEMPLATE_DATABASE=$TEMPLATE_DB
DATABASE=$WORKING_DB
OWNER_LOGON=$OWNER_ROLE
OWNER_PASSWORD=$OWNER_PASSWORD
ODBCSYSINI=$dir/odbc
EOF
}

# A database copied from the template, owned by the owning login role. The date style is set
# on the database as a real installation would; the server default says the same.
create_spi_database() {
    local dir=$1 db=$2
    superuser_psql "$dir" postgres \
        -c "CREATE DATABASE $db TEMPLATE $TEMPLATE_DB OWNER \"$OWNER_ROLE\"" \
        -c "ALTER DATABASE $db SET datestyle = 'ISO, DMY'"
}

print_env() {
    local dir=$1
    local socket
    socket=$(socket_dir_of "$dir")
    local db=$WORKING_DB logon=$OWNER_ROLE password=$OWNER_PASSWORD
    if [ -f "$dir/demo" ]; then
        db=$DEMO_DB logon=$DEMO_ROLE password=$DEMO_PASSWORD
    fi
    printf 'export ODBCSYSINI=%q\n' "$dir/odbc"
    printf 'TARNWELL_SERVER=%q\n' "$socket"
    printf 'TARNWELL_DATABASE=%q\n' "$db"
    printf 'TARNWELL_LOGON=%q\n' "$logon"
    printf 'TARNWELL_PASSWORD=%q\n' "$password"
}

[ $# -ge 2 ] || usage
command=$1
dir=$2
shift 2
case $command in
start)
    demo=no
    durable=no
    for option in "$@"; do
        case $option in
        --demo) demo=yes ;;
        --durable) durable=yes ;;
        *) usage ;;
        esac
    done
    start_cluster "$dir" "$demo" "$durable"
    ;;
stop)
    [ $# -eq 0 ] || usage
    [ -d "$dir" ] || exit 0
    stop_cluster "$(absolute_dir "$dir")"
    ;;
env)
    [ $# -eq 0 ] || usage
    print_env "$(absolute_dir "$dir")"
    ;;
halt | resume)
    [ $# -eq 0 ] || usage
    runtime=$(dirname "$(socket_dir_of "$(absolute_dir "$dir")")")
    if [ "$command" = halt ]; then
        as_server_user "$PG_BIN/pg_ctl" -D "$runtime/data" -m immediate -w stop >/dev/null
    else
        as_server_user "$PG_BIN/pg_ctl" -D "$runtime/data" -l "$runtime/server.log" -w -t 30 \
            start >/dev/null
    fi
    ;;
psql)
    dir=$(absolute_dir "$dir")
    db=${1:-$WORKING_DB}
    shift $(($# > 0 ? 1 : 0))
    superuser_psql "$dir" "$db" "$@"
    ;;
*)
    usage
    ;;
esac
