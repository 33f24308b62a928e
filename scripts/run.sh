#!/usr/bin/env bash
# Shows Quillmoor's main job on this machine, without internet access: installs what
# is missing, builds build/ (as scripts/test.sh does), prepares a demo run directory
# (one news site, one custom-article site with a few article files, the shipped
# template set), starts the shipped sample news portal on 127.0.0.1 and runs one pass
# against it. A private nginx on 127.0.0.1 (port 8080, or the next free one up to
# 8099) serves the demo sites, and sites created in the window are registered with
# it. With a display the window opens on the demo instead (press 启动 with the
# interval box at 0 for one pass). Safe to run again: the demo is rebuilt each time.
#
#   scripts/run.sh             # QUILLMOOR_BUILD_DIR=... picks another build folder
#                              # QUILLMOOR_DEMO_PORT=... the first port tried for nginx
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
# The web-server tool, which the window's 保存 starts from the run directory.
mkdir -p "$RUN/tools"
cp "$BUILD/tools/iisweb" "$RUN/tools/iisweb"
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
    "$BUILD/tools/iisweb" /create "$WWW/$domain" "$domain" /d "$domain" /i 127.0.0.1 /b 80 |
        grep -q 'Metabase Path =' || { echo "nginx did not take the site $domain"; exit 1; }
}
echo "== nginx on 127.0.0.1"
# Its own prefix, configuration and pid file, in a folder without blanks because
# iisweb splits its test and reload commands at blanks.
NGINX_PREFIX=$(mktemp -d /tmp/quillmoor-nginx.XXXXXX)
mkdir -p "$NGINX_PREFIX"/{conf,logs,sites,temp}
chmod 755 "$NGINX_PREFIX"
NGINX_CONF=$NGINX_PREFIX/conf/nginx.conf
NGINX=(nginx -p "$NGINX_PREFIX" -c "$NGINX_CONF")
stop_demo() {
    [ -f "$NGINX_PREFIX/nginx.pid" ] && "${NGINX[@]}" -s quit 2>/dev/null || true
    rm -rf "$NGINX_PREFIX"
    if [ -n "${PORTAL_PID:-}" ]; then
        kill "$PORTAL_PID" 2>/dev/null || true
        wait "$PORTAL_PID" 2>/dev/null || true
    fi
}
trap stop_demo EXIT
NGINX_PORT=
for port in $(seq "${QUILLMOOR_DEMO_PORT:-8080}" 8099); do
    cat >"$NGINX_CONF" <<CONF
pid $NGINX_PREFIX/nginx.pid;
error_log $NGINX_PREFIX/logs/error.log;
worker_processes 1;
events { worker_connections 64; }
http {
    types { text/html html htm; text/css css; image/png png; image/jpeg jpg; image/gif gif; }
    default_type application/octet-stream;
    access_log $NGINX_PREFIX/logs/access.log;
    client_body_temp_path $NGINX_PREFIX/temp/body;
    proxy_temp_path $NGINX_PREFIX/temp/proxy;
    fastcgi_temp_path $NGINX_PREFIX/temp/fastcgi;
    uwsgi_temp_path $NGINX_PREFIX/temp/uwsgi;
    scgi_temp_path $NGINX_PREFIX/temp/scgi;
    server { listen 127.0.0.1:$port default_server; server_name _; return 404; }
    include $NGINX_PREFIX/sites/*.conf;
}
CONF
    if "${NGINX[@]}" 2>/dev/null; then
        NGINX_PORT=$port
        break
    fi
done
[ -n "$NGINX_PORT" ] || { echo "nginx could not listen on 127.0.0.1 (ports ${QUILLMOOR_DEMO_PORT:-8080}-8099)"; exit 1; }
export QUILLMOOR_NGINX_SITES="$NGINX_PREFIX/sites"
export QUILLMOOR_NGINX_TEST="nginx -p $NGINX_PREFIX -c $NGINX_CONF -t"
export QUILLMOOR_NGINX_RELOAD="nginx -p $NGINX_PREFIX -c $NGINX_CONF -s reload"
export QUILLMOOR_NGINX_PORT=$NGINX_PORT
echo "nginx: http://127.0.0.1:$NGINX_PORT/ (sites by their Host header)"

echo "== sample news portal on 127.0.0.1"
PORTAL_OUT="$DEMO/portal.out"
"$BUILD/tools/sample_portal" --port 0 >"$PORTAL_OUT" 2>&1 &
PORTAL_PID=$!
for _ in $(seq 100); do
    grep -q '^listening on' "$PORTAL_OUT" 2>/dev/null && break
    sleep 0.1
done
PORT=$(sed -n 's/^listening on \([0-9]*\).*/\1/p' "$PORTAL_OUT")
[ -n "$PORT" ] || { echo "the sample portal did not start:"; cat "$PORTAL_OUT"; exit 1; }
PORTAL="http://127.0.0.1:$PORT"
echo "portal: $PORTAL"

add_site news.demo 真 10 新闻演示 新闻,财经,科技
add_site own.demo 假 3 原创演示 随笔
for n in 一 二 三 四; do
    printf '这是第%s篇自定义文章，由运营者自己撰写，发布后从文章库中删除。\r\n' "$n" |
        gbk >"$LIBRARY/自定义文章$n.txt"
done


status=2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== the window (close it to end the demo)"
    echo "New sites: IP 127.0.0.1; nginx serves them on port $NGINX_PORT while the demo runs."
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
echo
echo "== served by nginx while this script runs"
for site in "$WWW"/*/; do
    domain=$(basename "$site")
    code=$(curl -s --noproxy '*' -o /dev/null -w '%{http_code}' -H "Host: $domain" \
        "http://127.0.0.1:$NGINX_PORT/" || true)
    echo "curl -H 'Host: $domain' http://127.0.0.1:$NGINX_PORT/  ->  HTTP $code"
done
