# The two commands a newcomer needs: `make run` and `make test`.
BUILD_DIR ?= build
EXAMPLE ?= examples/test.kdw

.PHONY: all setup configure build test run examples bench fuzz format clean windows windows-installer test-windows deb

all: build

setup:
	@bash tools/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j 2

run: build
	@$(BUILD_DIR)/src/app/karnea $(EXAMPLE)

# Rewrites the example data files with the program's own writer.
examples: build
	@cmake --build $(BUILD_DIR) --target examples

# Every fuzz target for an hour each (FUZZ_SECONDS=N for another length).
fuzz: setup
	@bash tools/fuzz.sh long $${FUZZ_SECONDS:-3600}

# Every benchmark and whole-process measurement, with its figures.
bench: build
	@bash tools/bench.sh

# The Debian package, from this build: dist/karnea_<version>_amd64.deb.
deb: build
	@rm -f $(BUILD_DIR)/package/*.deb
	@cd $(BUILD_DIR) && cpack
	@mkdir -p dist && cp $(BUILD_DIR)/package/*.deb dist/ && ls dist/*.deb

# The Windows package, cross-built here: dist/karnea-<version>-windows-x64.zip.
windows:
	@bash tools/windows/build.sh

# The Windows setup program (NSIS): dist/karnea-<version>-setup-x64.exe.
windows-installer:
	@bash tools/windows/installer.sh

# The Windows build's tests under Wine.
test-windows: build
	@bash tools/windows/test.sh

format:
	@find src tests examples bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
