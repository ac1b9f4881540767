-- Neovim 0.7 headless against tarn lsp: the README's snippet as it stands there, then what the
-- test adds: wait for the diagnostics that name a warning number, print them and the lines
-- they mark to standard output, quit.
--   cd GAME && nvim --headless -u init.lua FILE     (tarn on PATH)
vim.api.nvim_create_autocmd("FileType", {
  pattern = "dosini",
  callback = function(args)
    local data = vim.fn.finddir("DATA", vim.fn.fnamemodify(args.file, ":p:h") .. ";")
    local root = data ~= "" and vim.fn.fnamemodify(data, ":p:h:h") or vim.fn.getcwd()
    local client = vim.lsp.start_client({
      name = "tarn",
      cmd = { "tarn", "lsp" },
      root_dir = root,
      workspace_folders = { { uri = vim.uri_from_fname(root), name = "game" } },
    })
    vim.lsp.buf_attach_client(args.buf, client)
  end,
})
vim.opt.fileencodings = "cp1252"

vim.api.nvim_create_autocmd("VimEnter", {
  callback = function()
    local function numbered()
      for _, d in ipairs(vim.diagnostic.get(0)) do
        if d.message:match("^%d%d%d%d%d ") then return true end
      end
      return false
    end
    local found = vim.wait(60000, numbered, 50)
    local out = {}
    for _, d in ipairs(vim.diagnostic.get(0)) do
      table.insert(out, string.format("%s:%d: %s [%s] %s", vim.fn.expand("%"), d.lnum + 1,
        ({ "error", "warning", "info", "hint" })[d.severity], d.source or "", d.message))
      table.insert(out, "    | " .. vim.api.nvim_buf_get_lines(0, d.lnum, d.lnum + 1, false)[1])
    end
    if not found then table.insert(out, "no diagnostics with a warning number in 60 s") end
    io.stdout:write(table.concat(out, "\n") .. "\n")
    vim.cmd(found and "qa!" or "cq!")
  end,
})
