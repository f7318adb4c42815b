#!/bin/sh
# Includes run down the layers only: each folder may include itself and the
# folders below it, never one above (ARCHITECTURE.md). Usage: layers_test.sh ROOT
root=${1:-.}
status=0
allowed() {
    case $1 in
        platform) echo "platform" ;;
        sim) echo "sim platform" ;;
        bird) echo "bird sim platform" ;;
        record) echo "record sim platform" ;;
        optim) echo "optim sim platform" ;;
        view) echo "view bird sim platform" ;;
        app) echo "app view record optim bird sim platform" ;;
        raster) echo "raster platform" ;;
        headless) echo "headless platform" ;;
        video) echo "video platform" ;;
        qt) echo "qt video app view record optim bird sim raster platform" ;;
        python) echo "python qt app view record optim bird sim raster platform" ;;
        web) echo "web app view record optim bird sim raster platform" ;;
    esac
}
for layer in platform sim bird record optim view app raster headless video qt python web; do
    ok=$(allowed $layer)
    for file in "$root/$layer"/*.h "$root/$layer"/*.cpp; do
        [ -e "$file" ] || continue
        # '#include "folder/..."' lines: the folder each one reaches into.
        for target in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z_]*\)\/.*/\1/p' "$file"); do
            case " $ok " in
                *" $target "*) ;;
                *) echo "${file#$root/}: $layer includes $target, a layer above it or beside it"
                   status=1 ;;
            esac
        done
        # Qt stays in its adapter, FFmpeg in the video encoder's.
        if [ "$layer" != video ] && grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<lib(av|sw)' "$file"; then
            echo "${file#$root/}: $layer includes an FFmpeg header"
            status=1
        fi
        # Qt stays in its adapter.
        if [ "$layer" != qt ] && grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
            echo "${file#$root/}: $layer includes a Qt header"
            status=1
        fi
    done
done
[ $status = 0 ] && echo "every include runs down the layers"
exit $status
