" zanfo as Vim's compiler: :make assembles the current file and the
" quickfix list takes zanfo's "error:LINE:message" lines.
if exists('current_compiler')
  finish
endif
let current_compiler = 'zanfo'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

CompilerSet makeprg=zanfo\ %:S
" The lines carry a line number and no file name; anything else zanfo
" prints (its notices about stray characters) is left out.
CompilerSet errorformat=error:%l:%m,%-G%.%#
" The messages are ISO-8859-1.
if exists('&makeencoding')
  CompilerSet makeencoding=latin1
endif

" Lines without a file name belong to the buffer :make was run from.
function! s:TakeOwnership() abort
  let items = getqflist()
  let changed = 0
  for item in items
    if item.valid && item.bufnr == 0
      let item.bufnr = bufnr('%')
      let changed = 1
    endif
  endfor
  if changed
    call setqflist(items, 'r')
  endif
endfunction

augroup zanfo_compiler
  autocmd!
  autocmd QuickFixCmdPost make if &filetype ==# 'zanfo' | call s:TakeOwnership() | endif
augroup END
