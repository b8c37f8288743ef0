# The commands of the README; each does its own set-up.
.PHONY: test demo bench dist

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

bench:
	bash scripts/bench.sh

dist:
	bash scripts/dist.sh
