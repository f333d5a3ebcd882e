-- A real editor as the client: neovim opens a deck with a syntax error and an
-- undefined subcircuit, waits for the diagnostics, fixes the deck, asks for the
-- outline and for a definition in an included file. Exits 0 when all holds.
local bin = os.getenv('KORVEX3_LSP')
local dir = vim.fn.tempname()
vim.fn.mkdir(dir, 'p')

local function finish(status, message)
  if message then io.stderr:write(message .. '\n') end
  vim.fn.delete(dir, 'rf')
  if status == 0 then vim.cmd('qall!') else vim.cmd('cquit ' .. status) end
end

local function check(ok, message)
  if not ok then finish(1, 'FAIL: ' .. message) end
  return ok
end

vim.fn.writefile({ '* cells', '.subckt inv in out', 'R1 in out 1k', '.ends' }, dir .. '/cells.inc')
vim.fn.writefile({ 'title', ".include 'cells.inc'", 'X1 a b inv', 'X2 a b missing', 'R2 a b ((', '.end' },
  dir .. '/deck.kvx')

vim.cmd('edit ' .. dir .. '/deck.kvx')
local buf = vim.api.nvim_get_current_buf()
local client_id = vim.lsp.start_client({ name = 'korvex3', cmd = { bin }, root_dir = dir })
if not check(client_id ~= nil, 'the server did not start') then return end
vim.lsp.buf_attach_client(buf, client_id)
local client = vim.lsp.get_client_by_id(client_id)

local function has(code_or_text)
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    if d.code == code_or_text or d.message:find(code_or_text, 1, true) then return true end
  end
  return false
end

if not check(vim.wait(20000, function() return has('undefined-subckt') and has('syntax error') end, 50),
  'no diagnostics for the undefined subcircuit and the syntax error') then return end

-- Line 4 (from 0) is the syntax error, line 3 the undefined subcircuit.
vim.api.nvim_buf_set_lines(buf, 3, 5, false, { 'X2 a b inv', 'R2 a b 1k' })
if not check(vim.wait(20000, function() return #vim.diagnostic.get(buf) == 0 end, 50),
  'the diagnostics did not go after the fix') then return end

local symbols = client.request_sync('textDocument/documentSymbol',
  { textDocument = vim.lsp.util.make_text_document_params(buf) }, 10000, buf)
if not check(symbols and symbols.result and #symbols.result == 1, 'outline: ' .. vim.inspect(symbols)) then return end
if not check(symbols.result[1].name == 'cells.inc' and symbols.result[1].kind == 1,
  'outline entry: ' .. vim.inspect(symbols.result[1])) then return end

-- "X1 a b inv": the cursor on "inv".
local definition = client.request_sync('textDocument/definition', {
  textDocument = vim.lsp.util.make_text_document_params(buf),
  position = { line = 2, character = 8 },
}, 10000, buf)
local target = definition and definition.result
if target and target[1] then target = target[1] end
if not check(target and target.uri == vim.uri_from_fname(dir .. '/cells.inc'), 'definition: ' .. vim.inspect(definition)) then
  return
end
if not check(target.range.start.line == 1 and target.range['end'].line == 3, 'definition range: ' .. vim.inspect(target)) then
  return
end

client.stop()
vim.wait(5000, function() return client.is_stopped() end, 50)
finish(0)
