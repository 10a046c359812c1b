" zanfo-lsp as an ALE linter for zanfo buffers: zanfo's errors with the
" notes of zanfo-dump --listing, and zanfo-check's warnings, as you type;
" with ALE's :ALEHover, :ALEGoToDefinition, :ALEFindReferences, :ALERename and
" completion.  g:ale_zanfo_zanfo_lsp_executable names the server when it
" is not zanfo-lsp on PATH.
call ale#Set('zanfo_zanfo_lsp_executable', 'zanfo-lsp')

call ale#linter#Define('zanfo', {
\   'name': 'zanfo_lsp',
\   'lsp': 'stdio',
\   'executable': {buffer -> ale#Var(buffer, 'zanfo_zanfo_lsp_executable')},
\   'command': '%e',
\   'project_root': {buffer -> fnamemodify(bufname(buffer), ':p:h')},
\})
