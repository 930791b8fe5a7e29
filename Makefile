# The two commands: `make test` builds both builds and runs every test;
# `make run` builds trovelinks.exe and starts it under Wine. `make install`
# builds the command-line program for Linux and installs it with its man
# page under $(DESTDIR)$(PREFIX).
.PHONY: test run bench install clean

PREFIX ?= /usr/local

test:
	bash scripts/test.sh

run:
	bash scripts/run.sh

bench:
	bash scripts/bench.sh

install:
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTL_TESTS=OFF >/dev/null
	cmake --build build/release --target trovelinks -j "$$(nproc)"
	DESTDIR="$(DESTDIR)" cmake --install build/release --prefix "$(PREFIX)"

clean:
	rm -rf build
