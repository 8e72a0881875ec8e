#!/usr/bin/env bash
# Lighthouse 12.2.3 on the page as the project's own server serves it (tools/web/serve.js), with
# its desktop preset and its mobile emulation: the four categories' scores and the timings
# behind the performance score. A benchmark, not a test: run by hand after tools/web.sh.
#   bench/lighthouse.sh [SITE]     SITE: build-web/site by default
# Lighthouse comes from npm, pinned (13 wants a newer Node than Debian's), and is kept in
# SHOW_WEB_CACHE (by default ~/.cache/show-web), as tools/web.sh keeps its libraries.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/setup.sh"
# nodejs here brings npm with it.
install_missing_packages nodejs chromium

site="$(cd "${1:-$SHOW_ROOT/build-web/site}" && pwd)"
[ -f "$site/index.html" ] || { echo "lighthouse.sh: no page in $site (tools/web.sh builds it)" >&2; exit 2; }
lighthouse="$(npm_tool lighthouse 12.2.3)/cli/index.js"

report="$(mktemp -d)"
server_log="$report/server"
node "$SHOW_ROOT/tools/web/serve.js" "$site" 0 > "$server_log" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$report"' EXIT
for _ in $(seq 50); do [ -s "$server_log" ] && break; sleep 0.1; done
url="$(head -1 "$server_log")"

export CHROME_PATH="$(command -v chromium)"
for preset in desktop mobile; do
  options=(--output=json --output-path="$report/$preset.json" --quiet
    "--chrome-flags=--headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader")
  [ "$preset" = desktop ] && options+=(--preset=desktop)
  node "$lighthouse" "$url" "${options[@]}" || exit 1
  node -e '
    const r = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
    const score = id => Math.round(r.categories[id].score * 100);
    const audit = id => r.audits[id].displayValue;
    console.log(`${process.argv[2].padEnd(8)} performance ${score("performance")}, ` +
                `accessibility ${score("accessibility")}, best practices ` +
                `${score("best-practices")}, SEO ${score("seo")}`);
    console.log(`         first contentful paint ${audit("first-contentful-paint")}, largest ` +
                `${audit("largest-contentful-paint")}, total blocking time ` +
                `${audit("total-blocking-time")}, speed index ${audit("speed-index")}, ` +
                `layout shift ${audit("cumulative-layout-shift")}, ` +
                `${audit("total-byte-weight")}`);' "$report/$preset.json" "$preset"
done
