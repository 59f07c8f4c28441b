# The two user commands; see README.md.
.PHONY: run test
run:
	@tools/run.sh
test:
	@tools/test.sh
