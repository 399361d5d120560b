#!/usr/bin/env bash
# The Debian package, checked without touching the machine: it is built
# into a scratch folder, apt resolves its dependencies in a simulation, its
# files are where a desktop looks for them, apt installs it into a copy of
# this machine's root (an overlay whose changes land in a scratch folder,
# mounted in a mount namespace of this test's own), and /usr/games/tavlo
# from there starts under Xvfb, shows the splash and ends cleanly on
# Quitter. Without root, or where no mount namespace can be made, the
# package is unpacked instead of installed, and the test says so.
if [ "$(id -u)" = 0 ] && [ -z "${TAVLO_PACKAGE_NS:-}" ] && unshare -m true 2>/dev/null; then
    TAVLO_PACKAGE_NS=1 exec unshare -m --propagation private "$0" "$@"
fi
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
id=io.github.tavlo.tavlo
for f in "-rwxr-xr-x ./usr/games/tavlo" \
         "-rw-r--r-- ./usr/share/applications/$id.desktop" \
         "-rw-r--r-- ./usr/share/metainfo/$id.metainfo.xml" \
         "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/$id.svg" \
         "-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/$id.png" \
         "-rw-r--r-- ./usr/share/man/man6/tavlo.6.gz" \
         "-rw-r--r-- ./usr/share/doc/tavlo/copyright" \
         "-rw-r--r-- ./usr/share/doc/tavlo/changelog.gz"; do
    check "the package holds ${f#* }" grep -qxF -- "$f" <<<"$contents"
done

start_x
if [ -n "${TAVLO_PACKAGE_NS:-}" ]; then
    # Outside E2E_TMP, which is removed while the overlay may still be up.
    ovl=$(mktemp -d /tmp/tavlo-package-root.XXXXXX)
    root=$ovl/root
    trap 'cleanup; umount -R "$root" 2>/dev/null || umount -R -l "$root"; rm -rf --one-file-system "$ovl"' EXIT
    mkdir -p "$ovl/upper" "$ovl/work" "$root"
    mount_root() {
        mount -t overlay overlay -o "lowerdir=/,upperdir=$ovl/upper,workdir=$ovl/work" "$root" || return
        # The X server's socket: start_x has made it.
        for d in proc sys dev tmp/.X11-unix; do mount --rbind "/$d" "$root/$d" || return; done
    }
    mount_root || { fail "a copy of the root is mounted for the install"; finish; }
    cp "$deb" "$root/tmp/"
    # What it needs is normally here already (make test installs it); what
    # is not would be downloaded into the copy only.
    chroot "$root" apt-get install -y "/tmp/$(basename "$deb")" >"$E2E_TMP/install.log" 2>&1; code=$?
    check "apt installs the package" [ "$code" = 0 ]
    [ "$code" = 0 ] || cat "$E2E_TMP/install.log"
    check "dpkg has tavlo $version installed" \
        [ "$(chroot "$root" dpkg-query -W -f='${Status} ${Version}' tavlo)" = "install ok installed $version" ]
    printf '#!/bin/sh\nexec chroot "%s" /usr/games/tavlo "$@"\n' "$root" >"$E2E_TMP/tavlo-installed"
    chmod +x "$E2E_TMP/tavlo-installed"
    TAVLO=$E2E_TMP/tavlo-installed
else
    log "not installed for real (root and a mount namespace are needed): unpacked"
    root=$E2E_TMP/root
    dpkg-deb -x "$deb" "$root"
    TAVLO=$root/usr/games/tavlo
fi
check "the installed entry starts the binary by its name" grep -qx 'Exec=tavlo' "$root/usr/share/applications/$id.desktop"

launch_game
if splash=$(wait_window 300x300 15); then
    log "the installed game shows its splash"
    read -r sx sy < <(window_position "$splash")
    click_at $(( sx + 150 )) $(( sy + 150 ))
    wait_window 800x600 10 >/dev/null || fail "the main window comes up after the splash"
    sleep 0.6
    menu $BG_X $BG_Y "${MENU_QUIT[@]}"
    for _ in $(seq 100); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.01; done
    if kill -0 "$GAME_PID" 2>/dev/null; then
        fail "Quitter ends the installed game"
    else
        wait "$GAME_PID"; code=$?
        check "the installed game exits with code 0 on Quitter" [ "$code" = 0 ]
        GAME_PID=
    fi
else
    fail "the installed game shows its splash"
fi
finish
