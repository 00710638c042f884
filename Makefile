# Entry points for a fresh Debian 12 machine: `make test` installs what is
# missing, builds and runs every test; `make run` builds and starts Scortex
# with the build's program folder (build/bin).
PACKAGES := build-essential clang cmake locales zlib1g-dev zip unzip qt6-base-dev qt6-svg-dev poppler-utils qt6-translations-l10n fonts-liberation2 libsqlite3-dev libksba-dev libxml2-utils
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= 2

WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libksba-mingw-w64-dev libgpg-error-mingw-w64-dev wine64 dpkg-dev ninja-build zip unzip xvfb xauth acl imagemagick fonts-dejavu-core

.PHONY: deps configure build test test-sanitize fuzz install run gallery clean windows test-windows gallery-windows

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake --preset default

build: configure
	cmake --build --preset default -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS, from its seeds; a finding stops with
# the input that caused it in build-fuzz/crash-*.
FUZZ_SECONDS ?= 60
FUZZERS := fuzz_record fuzz_numbers fuzz_validators fuzz_scramble fuzz_zip fuzz_invoice
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	@for f in $(FUZZERS); do \
	  mkdir -p build-fuzz/corpus/$$f; \
	  echo "== $$f"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ./build-fuzz/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/ \
	    build-fuzz/corpus/$$f tests/fuzz/seeds/$$f || exit 1; \
	done

# A program folder of its own, registered in the desktop's menu.
PREFIX ?= $(HOME)/Scortex
install: build
	@test -n "$(HOME)" -o "$(PREFIX)" != "/Scortex" || { echo "Indicare la cartella: make install PREFIX=..."; exit 2; }
	cmake --install build --prefix "$(PREFIX)"

run: build
	./build/bin/scortex

gallery: configure
	cmake --build --preset default -j $(JOBS) --target gallery

# Windows x86-64, cross-built here: the Windows Qt is built once from Debian's
# source package into ~/.cache/scortex, then Scortex and its tests; the
# program folder's zip is build-windows/Scortex-windows-x64.zip.
windows: build
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"
	JOBS=$(JOBS) bash windows/build.sh

# The whole suite of the Windows build under Wine, headless and unprivileged.
test-windows: windows
	JOBS=$(JOBS) bash windows/test.sh

# The login window and the cards of the Windows build, drawn by the windows
# platform under Wine and Xvfb, in build-windows/gallery.
gallery-windows: windows
	bash windows/gallery.sh

clean:
	rm -rf build build-sanitize build-fuzz build-windows
