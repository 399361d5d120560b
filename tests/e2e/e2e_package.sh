#!/usr/bin/env bash
# The Debian package, checked without touching the machine: it is built
# into a scratch folder, apt resolves its dependencies in a simulation, its
# files are where a desktop looks for them, and the binary unpacked from it
# starts under Xvfb, shows the splash and ends cleanly on Quitter.
. "$(dirname "$0")/lib.sh"
CPACK_CONFIG=${CPACK_CONFIG:?path to CPackConfig.cmake in the build folder}

pkgdir=$E2E_TMP/package
mkdir -p "$pkgdir"
if ! cpack --config "$CPACK_CONFIG" -G DEB -B "$pkgdir" >"$E2E_TMP/cpack.log" 2>&1; then
    cat "$E2E_TMP/cpack.log"; fail "cpack builds the package"; finish
fi
deb=$(ls "$pkgdir"/*.deb 2>/dev/null | head -n1)
version=$(dpkg-deb -f "$deb" Version)
check "the package is named tavlo_<version>_amd64.deb" [ "$(basename "$deb")" = "tavlo_${version}_amd64.deb" ]

apt-get install --simulate "$deb" >"$E2E_TMP/apt.log" 2>&1; code=$?
check "apt resolves the package's dependencies (simulated)" [ "$code" = 0 ]
check "apt would install tavlo" grep -q "^Inst tavlo " "$E2E_TMP/apt.log"
[ "$code" = 0 ] || cat "$E2E_TMP/apt.log"

depends=$(dpkg-deb -f "$deb" Depends)
check "it depends on the fonts the game draws with" grep -q 'fonts-liberation2' <<<"$depends"
check "its library dependencies come from the binary" grep -q 'libqt6widgets6' <<<"$depends"
contents=$(dpkg-deb -c "$deb" | awk '{print $1, $NF}')
for f in "-rwxr-xr-x ./usr/games/tavlo" \
         "-rw-r--r-- ./usr/share/applications/tavlo.desktop" \
         "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/tavlo.svg" \
         "-rw-r--r-- ./usr/share/man/man6/tavlo.6.gz" \
         "-rw-r--r-- ./usr/share/doc/tavlo/copyright" \
         "-rw-r--r-- ./usr/share/doc/tavlo/changelog.gz"; do
    check "the package holds ${f#* }" grep -qxF -- "$f" <<<"$contents"
done

root=$E2E_TMP/root
dpkg-deb -x "$deb" "$root"
TAVLO=$root/usr/games/tavlo
check "the unpacked entry starts the binary by its name" grep -qx 'Exec=tavlo' "$root/usr/share/applications/tavlo.desktop"

start_x
launch_game
if splash=$(wait_window 300x300 15); then
    log "the unpacked game shows its splash"
    read -r sx sy < <(window_position "$splash")
    click_at $(( sx + 150 )) $(( sy + 150 ))
    wait_window 800x600 10 >/dev/null || fail "the main window comes up after the splash"
    sleep 0.6
    menu $BG_X $BG_Y "${MENU_QUIT[@]}"
    for _ in $(seq 100); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.01; done
    if kill -0 "$GAME_PID" 2>/dev/null; then
        fail "Quitter ends the unpacked game"
    else
        wait "$GAME_PID"; code=$?
        check "the unpacked game exits with code 0 on Quitter" [ "$code" = 0 ]
        GAME_PID=
    fi
else
    fail "the unpacked game shows its splash"
fi
finish
