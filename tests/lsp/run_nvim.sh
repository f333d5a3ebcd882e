#!/bin/sh
# Runs the neovim client script against the server; 77 (skipped) without nvim.
# Usage: run_nvim.sh SERVER SCRIPT
command -v nvim >/dev/null 2>&1 || { echo "nvim is not installed"; exit 77; }
KORVEX3_LSP="$1" exec timeout 90 nvim --headless --clean -c "luafile $2"
