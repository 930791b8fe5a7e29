# The two commands: `make test` builds both builds and runs every test;
# `make run` builds trovelinks.exe and starts it under Wine.
.PHONY: test run bench clean

test:
	bash scripts/test.sh

run:
	bash scripts/run.sh

bench:
	bash scripts/bench.sh

clean:
	rm -rf build
