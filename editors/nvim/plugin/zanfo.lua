-- zanfo in Neovim (0.7 or later): .zan files are read and written as
-- ISO-8859-1, and zanfo-lsp serves them (diagnostics, hover, go to
-- definition, references, rename, completion, symbols).
--
-- Put editors/vim (file type, highlighting) and editors/nvim on
-- 'runtimepath', or copy this file into ~/.config/nvim/plugin/.
-- vim.g.zanfo_lsp names the server when it is not `zanfo-lsp` on PATH.
local group = vim.api.nvim_create_augroup('zanfo_lsp', { clear = true })

-- Read every .zan file as Latin-1, even one whose bytes happen to be UTF-8,
-- and write it back so.
local encodings
vim.api.nvim_create_autocmd('BufReadPre', {
  group = group,
  pattern = '*.zan',
  callback = function()
    encodings = vim.o.fileencodings
    vim.o.fileencodings = 'latin1'
  end,
})
vim.api.nvim_create_autocmd('BufReadPost', {
  group = group,
  pattern = '*.zan',
  callback = function()
    if encodings then
      vim.o.fileencodings = encodings
      encodings = nil
    end
  end,
})
vim.api.nvim_create_autocmd({ 'BufNewFile', 'BufReadPost' }, {
  group = group,
  pattern = '*.zan',
  command = 'setlocal fileencoding=latin1',
})

-- One server for every zanfo buffer, started with the first.
local client_id
vim.api.nvim_create_autocmd('FileType', {
  group = group,
  pattern = 'zanfo',
  callback = function(args)
    if not (client_id and vim.lsp.get_client_by_id(client_id)) then
      client_id = vim.lsp.start_client({
        name = 'zanfo-lsp',
        cmd = { vim.g.zanfo_lsp or 'zanfo-lsp' },
        root_dir = vim.fn.getcwd(),
      })
    end
    if client_id then
      vim.lsp.buf_attach_client(args.buf, client_id)
    end
  end,
})
