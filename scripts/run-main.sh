#!/usr/bin/env bash
# Starts the IDE host on the default database. The first run creates that database (with the
# server's tool), registers it, and creates a sample Delphi project, not yet bound: the add-in's
# "Add to Source Control" binds it. Later runs reuse all of it. With a display the host opens its
# window; without one it runs a guided tour headless, which binds the project through the
# add-in's dialogs on its first run, and keeps a picture of every dialog.
# Usage: scripts/run-main.sh BUILD_DIR [idehost arguments...]
set -euo pipefail

build=$(cd "${1:?usage: run-main.sh BUILD_DIR [idehost arguments...]}" && pwd)
shift
bin=$build/bin
for program in ss idehost; do
  [ -x "$bin/$program" ] || { echo "run-main.sh: $bin/$program is not built" >&2; exit 1; }
done

data=${XDG_DATA_HOME:-$HOME/.local/share}/quillmoor
database=$data/database
demo=$data/Demo
user=$(id -un)

ss() { "$bin/ss" --db "$database" "$@"; }

# Writes standard input to a file through a temporary file in the same folder.
write_file() {
  local tmp
  tmp=$(mktemp "$1.XXXXXX")
  cat >"$tmp"
  chmod 644 "$tmp"
  mv -f "$tmp" "$1"
}

setup_database() {
  if [ ! -e "$database/srcsafe.ini" ]; then
    echo "Creating the default database in $database"
    mkdir -p "$data"
    "$bin/ss" create "$database" >/dev/null
  fi
  # Users are added by the administrator, Admin, made without a password by create.
  if [ "${user,,}" != admin ] && ! ss --user Admin users | grep -qix -- "$user"; then
    ss --user Admin adduser "$user" >/dev/null
  fi
  # Registering again changes nothing; it also repairs a registry folder that was reset.
  ss --user Admin register --name Default --current >/dev/null
}

setup_project() {
  mkdir -p "$demo"
  if [ ! -e "$demo/Demo.dpr" ]; then
    echo "Creating the sample project in $demo"
    write_file "$demo/Unit1.pas" <<'PAS'
unit Unit1;

interface

function Greeting: string;

implementation

function Greeting: string;
begin
  Result := 'Hello from Unit1';
end;

end.
PAS
    write_file "$demo/Unit2.pas" <<'PAS'
unit Unit2;

interface

function Twice(Value: Integer): Integer;

implementation

function Twice(Value: Integer): Integer;
begin
  Result := Value * 2;
end;

end.
PAS
    write_file "$demo/Unit3.pas" <<'PAS'
unit Unit3;

interface

const
  AppTitle = 'Quillmoor Demo';

implementation

end.
PAS
    write_file "$demo/Demo.dpr" <<'DPR'
program Demo;

uses
  Unit1 in 'Unit1.pas',
  Unit2 in 'Unit2.pas',
  Unit3 in 'Unit3.pas';

begin
  WriteLn(AppTitle, ': ', Greeting, ' ', Twice(21));
end.
DPR
  fi
}

# A script argument in double quotes.
quote() {
  local s=${1//\\/\\\\}
  s=${s//\"/\\\"}
  printf '"%s"' "$s"
}

# The first run binds the sample project to $/Demo through the add-in's own dialogs: "Add to
# Source Control" (verb 5) opens the project tree, creates $/Demo and writes Delphi.Vss, then
# offers the project's files. Later runs find the project bound and just open it.
bind_script() {
  local shots=$1
  cat <<SCRIPT
open $(quote "$demo/Demo.dpr")
SCRIPT
  [ -e "$demo/Delphi.Vss" ] && return 0
  cat <<SCRIPT
print "Bind the sample project to \$/Demo: Add to Source Control"
shot $(quote "$shots/bind-0-host.png")
edit $(quote "$demo/Unit1.pas")
verb 5
window "Add to SourceSafe Project"
expect LabelNewProjectSpec text "\$/Demo"
shot $(quote "$shots/bind-1-add-project.png")
click ButtonOk
SCRIPT
  if ss dir '$/Demo' >/dev/null 2>&1; then
    # A database kept from an earlier run already holds $/Demo: bound without a question.
    cat <<SCRIPT
window "Add Files To Source Control"
shot $(quote "$shots/bind-2-add-files.png")
click ButtonCancel
idle
SCRIPT
    return 0
  fi
  cat <<SCRIPT
answer Yes
window "Add Files To Source Control"
select ListBoxFileList "Demo.dpr" "Unit1.pas" "Unit2.pas" "Unit3.pas"
type MemoComment "First version"
shot $(quote "$shots/bind-2-add-files.png")
click ButtonOk
shot $(quote "$shots/bind-3-add-files-done.png")
dump
click ButtonOk
idle
SCRIPT
}

# The tour: bind the project on the first run, then check out, edit, compare, check in, get
# latest, check out and undo, each in its dialog, then the file's history, the options and the
# about box.
tour_script() {
  local shots=$1 unit1 unit2
  unit1=$(quote "$demo/Unit1.pas")
  unit2=$(quote "$demo/Unit2.pas")
  bind_script "$shots"
  cat <<SCRIPT
print "The sample project, bound to \$/Demo"
menu
shot $(quote "$shots/0-host.png")
print "Check out Unit1.pas with a comment"
edit $unit1
verb 1
window "Check Out"
select ListBoxFileList "Unit1.pas"
type MemoComment "Changing the greeting"
shot $(quote "$shots/1-check-out.png")
click ButtonOk
shot $(quote "$shots/2-check-out-done.png")
dump
click ButtonOk
idle
print "Edit Unit1.pas"
write $unit1 "unit Unit1;\n\ninterface\n\nfunction Greeting: string;\n\nimplementation\n\nfunction Greeting: string;\nbegin\n  Result := 'Hello from the tour of $(date '+%Y-%m-%d %H:%M:%S')';\nend;\n\nend.\n"
print "Compare it with the database"
verb 9
window "Show Differences"
shot $(quote "$shots/2a-differences.png")
click ButtonClose
idle
print "Check it in"
verb 2
window "Check In Files"
select ListBoxFileList "Unit1.pas"
type MemoComment "A new greeting"
shot $(quote "$shots/3-check-in.png")
click ButtonOk
shot $(quote "$shots/4-check-in-done.png")
dump
click ButtonOk
idle
print "Get the latest versions"
verb 0
window "Get Latest Version"
select ListBoxFileList "Unit1.pas" "Unit2.pas" "Unit3.pas"
shot $(quote "$shots/5-get-latest.png")
click ButtonOk
shot $(quote "$shots/6-get-latest-done.png")
dump
click ButtonOk
idle
print "Check out Unit2.pas, then undo the check-out"
edit $unit2
verb 1
window "Check Out"
select ListBoxFileList "Unit2.pas"
click ButtonOk
click ButtonOk
idle
verb 3
window "Undo Check Out"
select ListBoxFileList "Unit2.pas"
shot $(quote "$shots/7-undo-check-out.png")
click ButtonOk
shot $(quote "$shots/8-undo-check-out-done.png")
dump
click ButtonOk
idle
print "The host after the check-in and the undo"
shot $(quote "$shots/9-host.png")
print "The history of Unit1.pas"
edit $unit1
verb 8
window "Show History"
shot $(quote "$shots/10-history.png")
dump
click ButtonClose
idle
print "The options and the about box"
verb 13
window "SourceSafe Properites"
shot $(quote "$shots/11-options.png")
click ButtonCacnel
idle
verb 14
window "About"
shot $(quote "$shots/12-about.png")
click ButtonOk
idle
close-project
SCRIPT
}

# The tour ends in the explorer that the add-in's "SourceSafe" entry starts: the database's
# projects, and $/Demo's files with who has them checked out.
explorer_script() {
  local shots=$1
  cat <<SCRIPT
print "The SourceSafe explorer on the same database"
pick TreeVProjects "\$/Demo"
select FileList "Unit3.pas"
action "Check Out..."
window "Check Out"
type MemoComment "from the explorer"
click ButtonOk
click ButtonOk
idle
shot $(quote "$shots/13-explorer.png")
dump
select FileList "Unit3.pas"
action "Undo Check Out..."
window "Undo Check Out"
click ButtonOk
click ButtonOk
idle
SCRIPT
}

run_tour() {
  local shots status=0
  shots=$data/tour-$(date +%Y%m%d-%H%M%S)
  mkdir -p "$shots"
  tour_script "$shots" >"$shots/tour.script"
  echo "No display: running the tour headless ($shots/tour.script)"
  QT_QPA_PLATFORM=offscreen "$bin/idehost" --script "$shots/tour.script" "$@" \
    | tee "$shots/transcript.jsonl" || status=$?
  if [ "$status" -eq 0 ] && [ -x "$bin/ssexp.exe" ]; then
    explorer_script "$shots" >"$shots/explorer.script"
    QT_QPA_PLATFORM=offscreen "$bin/ssexp.exe" --script "$shots/explorer.script" \
      | tee -a "$shots/transcript.jsonl" || status=$?
  fi
  echo
  echo "Transcript: $shots/transcript.jsonl"
  echo "Pictures of the dialogs: $shots"
  return "$status"
}

setup_database
setup_project

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/idehost" "$@" "$demo/Demo.dpr"
fi
run_tour "$@"
