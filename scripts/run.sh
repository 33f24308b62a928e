#!/usr/bin/env bash
# Shows Quillmoor's main job on this machine, without internet access: installs what
# is missing, builds build/ (as scripts/test.sh does), prepares a demo run directory
# (one news site, one custom-article site with a few article files, the shipped
# template set), starts the shipped sample news portal on 127.0.0.1 and runs one pass
# against it. With a display the window opens on the demo instead (press 启动 with
# the interval box at 0 for one pass). Safe to run again: the demo is rebuilt each time.
#
#   scripts/run.sh             # QUILLMOOR_BUILD_DIR=... picks another build folder
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${QUILLMOOR_BUILD_DIR:-build}

scripts/install-deps.sh

echo "== build ($BUILD/)"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMOOR_WERROR=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
BUILD=$(cd "$BUILD" && pwd)

DEMO="$BUILD/demo"
RUN="$DEMO/run"
WWW="$DEMO/www"
LIBRARY="$DEMO/library"
echo "== demo run directory ($RUN)"
rm -rf "$DEMO"
mkdir -p "$RUN/数据库/list" "$RUN/数据库/pak" "$WWW" "$LIBRARY"
cp -r "$BUILD/模板" "$RUN/模板"
cp "$BUILD/数据库/pak/bak.mdb" "$RUN/数据库/pak/bak.mdb"
TEMPLATE=默认
[ -d "$RUN/模板/$TEMPLATE" ] || TEMPLATE=$(ls "$RUN/模板" | head -n 1)

gbk() { iconv -f UTF-8 -t GBK; }

# A site as the site editor provisions it: profile, database copy, site folder with
# images/, html/, list/ and the template set's files.
add_site() { # domain news(真/假) count title columns
    local domain=$1 news=$2 count=$3 title=$4 columns=$5 custom=真 library=
    [ "$news" = 真 ] && custom=假
    [ "$news" = 真 ] || library=$LIBRARY
    printf '%s\r\n%s' \
        "$domain||127.0.0.1||$WWW||$TEMPLATE||$title||关键词一,关键词二||$title 的演示站点||$columns" \
        "选择框6=$news||选择框5=$custom||选择框1=假||选择框2=真||插入关键词=真||插入关键词数=1||编辑框8=$library||编辑框12=||长尾词调用数=3||内链调用数=2||生成数量=$count||间隔时间=0||组合框1= 热门新闻||" |
        gbk >"$RUN/数据库/list/$domain.txt"
    cp "$RUN/数据库/pak/bak.mdb" "$RUN/数据库/$domain.mdb"
    mkdir -p "$WWW/$domain/images" "$WWW/$domain/html" "$WWW/$domain/list"
    cp -r "$RUN/模板/$TEMPLATE/." "$WWW/$domain/"
}
add_site news.demo 真 10 新闻演示 新闻,财经,科技
add_site own.demo 假 3 原创演示 随笔
for n in 一 二 三 四; do
    printf '这是第%s篇自定义文章，由运营者自己撰写，发布后从文章库中删除。\r\n' "$n" |
        gbk >"$LIBRARY/自定义文章$n.txt"
done

echo "== sample news portal on 127.0.0.1"
PORTAL_OUT="$DEMO/portal.out"
"$BUILD/tools/sample_portal" --port 0 >"$PORTAL_OUT" 2>&1 &
PORTAL_PID=$!
trap 'kill "$PORTAL_PID" 2>/dev/null || true; wait "$PORTAL_PID" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    grep -q '^listening on' "$PORTAL_OUT" 2>/dev/null && break
    sleep 0.1
done
PORT=$(sed -n 's/^listening on \([0-9]*\).*/\1/p' "$PORTAL_OUT")
[ -n "$PORT" ] || { echo "the sample portal did not start:"; cat "$PORTAL_OUT"; exit 1; }
PORTAL="http://127.0.0.1:$PORT"
echo "portal: $PORTAL"

status=2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== the window (close it to end the demo)"
    set +e
    "$BUILD/quillmoor" --run-dir "$RUN" --portal "$PORTAL"
    status=$?
    set -e
fi
if [ "$status" -eq 2 ]; then
    echo "== one headless pass"
    "$BUILD/quillmoor" --headless --run-dir "$RUN" --portal "$PORTAL" --interval 0
fi

echo
echo "== generated sites"
for site in "$WWW"/*/; do
    site=${site%/}
    printf '%s\n    home page %s, %s article pages, %s column pages\n' "$site" \
        "$([ -f "$site/index.html" ] && echo "$site/index.html" || echo missing)" \
        "$(find "$site/html" -name '*.html' | wc -l)" "$(find "$site/list" -name '*.html' | wc -l)"
done
echo "custom articles left in the library: $(find "$LIBRARY" -name '*.txt' | wc -l)"
