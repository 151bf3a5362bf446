#!/usr/bin/env bash
# The report page (kdxinfo read --html) in a real browser: headless Chromium opens the page of
# each sample machine's report, the findings list holds every finding, its parts start
# collapsed, and following a finding's evidence link opens the parts around the evidence line.
# The comparison's page (kdxinfo diff --html) likewise opens the newer report's lines at a
# change's link. A screenshot of each page stays among the artifacts.
#   report_page_browser.sh KDXINFO SOURCE_DIR ARTIFACT_DIR
set -euo pipefail
kdxinfo=$1
source_dir=$2
artifacts=$(realpath -m "$3")
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v chromium >/dev/null || fail "chromium is not installed (scripts/install-deps.sh)"

browser() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage \
    --user-data-dir="$work/profile" "$@" 2>/dev/null
}

# The ids of the findings' first evidence lines, then whether the line with that id lies in
# closed <details> in the page as dumped.
check_dom() {
  python3 - "$@" <<'PY'
import json, sys
from html.parser import HTMLParser

dom_file, json_file, mode, anchor = sys.argv[1:5]
findings = json.load(open(json_file, encoding="utf-8"))["findings"]

class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.stack, self.items, self.hidden = [], [], None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "details":
            self.stack.append("open" in a)
        if tag == "li" and "finding" in (a.get("class") or ""):
            self.items.append(a.get("data-code"))
        if a.get("id") == anchor:
            self.hidden = not all(self.stack)
    def handle_endtag(self, tag):
        if tag == "details" and self.stack:
            self.stack.pop()

page = Page()
page.feed(open(dom_file, encoding="utf-8").read())
codes = [f["code"] for f in findings]
if page.items != codes:
    sys.exit(f"findings list {page.items} is not {codes}")
if page.hidden is None:
    sys.exit(f"no element with id {anchor}")
if mode == "collapsed" and not page.hidden:
    sys.exit(f"{anchor} is shown before anything was opened")
if mode == "opened" and page.hidden:
    sys.exit(f"{anchor} stays in closed parts after following its link")
PY
}

for machine in winxp_de win98se_de win10x64_de; do
  report="$work/$machine.txt"
  "$kdxinfo" --machine "$source_dir/samples/$machine" --yes --output "$report" >/dev/null
  page="$artifacts/$machine.html"
  status=0
  "$kdxinfo" read "$report" --html "$page" >/dev/null || status=$?
  [ "$status" -le 1 ] || fail "$machine: kdxinfo read gave exit status $status"
  "$kdxinfo" read --json "$report" >"$work/$machine.json" || true
  line=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["findings"][0]["lines"][0])' \
    "$work/$machine.json")

  browser --dump-dom "file://$page" >"$work/$machine.dom"
  check_dom "$work/$machine.dom" "$work/$machine.json" collapsed "L$line" || fail "$machine: page"
  browser --dump-dom "file://$page#L$line" >"$work/$machine.opened.dom"
  check_dom "$work/$machine.opened.dom" "$work/$machine.json" opened "L$line" ||
    fail "$machine: evidence link"

  browser --screenshot="$artifacts/$machine.png" --window-size=1280,1800 "file://$page" >/dev/null
  [ "$(stat -c %s "$artifacts/$machine.png")" -gt 20000 ] || fail "$machine: no screenshot"
done
# The comparison of the XP report with a copy whose spooler stopped: the change links to line
# 40 of the newer report, which sits in its collapsed lines until the link is followed.
sed 's/SPOOLER Status 4: RUNNING/SPOOLER Status 1: STOPPED/' "$work/winxp_de.txt" >"$work/after.txt"
"$kdxinfo" diff "$work/winxp_de.txt" "$work/after.txt" --html "$artifacts/diff.html" >/dev/null ||
  true
grep -q 'href="#B40"' "$artifacts/diff.html" || fail "diff: no link to the newer report's line"
for mode in collapsed opened; do
  fragment=$([ "$mode" = opened ] && echo "#B40" || true)
  browser --dump-dom "file://$artifacts/diff.html$fragment" >"$work/diff.$mode.dom"
  python3 - "$work/diff.$mode.dom" "$mode" <<'PY' || fail "diff page: B40 $mode"
import sys
from html.parser import HTMLParser

class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.stack, self.hidden = [], None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "details":
            self.stack.append("open" in a)
        if a.get("id") == "B40":
            self.hidden = not all(self.stack)
    def handle_endtag(self, tag):
        if tag == "details" and self.stack:
            self.stack.pop()

page = Page()
page.feed(open(sys.argv[1], encoding="utf-8").read())
sys.exit(0 if page.hidden is (sys.argv[2] == "collapsed") else 1)
PY
done
browser --screenshot="$artifacts/diff.png" --window-size=1280,900 "file://$artifacts/diff.html" >/dev/null
echo "report pages: findings listed, parts collapsed, evidence and change links open them; screenshots in $artifacts"
