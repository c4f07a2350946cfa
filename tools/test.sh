#!/usr/bin/env bash
# Every test: the native suite, then the same suite under the address and
# undefined-behaviour sanitizers and under the thread sanitizer, the 32-bit
# Linux build under emulation, then the Windows builds (tests under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs="$(nproc)"

echo "== Native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== LV2 bundle"
bundle=build/src/plugin/Tinemaster.lv2
validation="$(lv2_validate "$bundle"/*.ttl 2>&1)"
tail -n 1 <<<"$validation"
# lv2_validate exits 0 whatever it finds: its report decides.
if grep -i "error" <<<"$validation" | grep -v "^Found 0 errors"; then
  echo "lv2_validate found errors in $bundle" >&2
  exit 1
fi
exports="$(nm -D --defined-only "$bundle/tinemaster_lv2.so" | awk '{print $3}')"
if [ "$exports" != "lv2_descriptor" ]; then
  echo "$bundle/tinemaster_lv2.so exports more than lv2_descriptor: $exports" >&2
  exit 1
fi

echo "== Sanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINE_SANITIZE=ON -DTINE_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
(cd build-sanitize && ctest --output-on-failure -j"$jobs")

echo "== Thread sanitizer: the suite, with the audio thread driven from another thread"
# Only the test runner: its threads are what this build is for.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINE_TSAN=ON -DTINE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target tine_tests
# The render tool and the plug-in library run single-threaded in processes of
# their own: the native and address-sanitizer runs cover them.
TSAN_OPTIONS="halt_on_error=1 exitcode=66" build-tsan/tests/tine_tests --gtest_brief=1 \
  --gtest_filter='-RenderTool.*:PluginLibrary.*'
echo "ThreadSanitizer: no reports"

echo "== 32-bit x86 Linux under qemu-i386: the release's arithmetic, same samples as the native build"
cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux-i386.cmake \
  -DTINE_NATIVE_BUILD_DIR="$PWD/build" -DTINE_BUILD_BENCH=OFF >/dev/null
cmake --build build-i386 -j"$jobs" --target tine_tests
# A static 32-bit program can neither load the plug-in library nor start the
# 32-bit render tool under emulation: those two suites stay native.
qemu-i386 build-i386/tests/tine_tests --gtest_brief=1 --gtest_filter='-PluginLibrary.*:RenderTool.*'

echo "== Fuzz pass (chunk and preset-file readers)"
bash fuzz/run.sh -runs=20000

echo "== Windows: 64-bit build and its tests under Wine, 32-bit release program"
bash tools/install-windows-deps.sh
# The native suite above wrote the reference render the Wine suite compares with.
cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
  -DTINE_NATIVE_BUILD_DIR="$PWD/build" >/dev/null
cmake --build build-win64 -j"$jobs"
(cd build-win64 && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs")
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DTINE_BUILD_TESTS=OFF >/dev/null
cmake --build build-win32 -j"$jobs" --target Tinemaster
kind="$(file build-win32/Tinemaster.exe)"
echo "$kind"
grep -q "PE32 executable (GUI) Intel 80386" <<<"$kind"
# Starts on a bare Windows: system DLLs only, and no entry point for plug-in hosts.
i686-w64-mingw32-objdump -p build-win32/Tinemaster.exe >build-win32/Tinemaster.headers
if grep -q "There is an export table" build-win32/Tinemaster.headers ||
   grep -iE "DLL Name: (libstdc|libgcc|libwinpthread)" build-win32/Tinemaster.headers; then
  echo "build-win32/Tinemaster.exe exports symbols or needs runtime DLLs" >&2
  exit 1
fi

# The plug-in for Windows hosts: a 32-bit DLL whose one export is the entry point.
cmake --build build-win32 -j"$jobs" --target TinemasterPlugin
kind="$(file build-win32/Tinemaster.dll)"
echo "$kind"
grep -q "PE32 executable (DLL).*Intel 80386" <<<"$kind"
i686-w64-mingw32-objdump -p build-win32/Tinemaster.dll >build-win32/TinemasterDll.headers
grep -q "VSTPluginMain" build-win32/TinemasterDll.headers
if grep -iE "DLL Name: (libstdc|libgcc|libwinpthread)" build-win32/TinemasterDll.headers; then
  echo "build-win32/Tinemaster.dll needs runtime DLLs" >&2
  exit 1
fi
