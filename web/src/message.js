// The one way the pages show a message: a modal dialog titled "Error" (or
// as given), focused, closed with OK or Escape; then the focus goes where
// the caller says. Every message is also kept in window.morvaneMessages so that
// tests see them.
import { t } from './i18n.js';

const shown = (window.morvaneMessages = []);

export function showMessage(text, { title = t('Error'), then = null } = {}) {
  shown.push({ title, text });
  const dialog = document.getElementById('message');
  document.getElementById('message-title').textContent = title;
  document.getElementById('message-text').textContent = text;
  const ok = document.getElementById('message-ok');
  // Modal: the page beneath takes neither clicks nor the focus; Escape
  // closes it as OK does.
  const close = () => {
    ok.removeEventListener('click', close);
    dialog.removeEventListener('close', close);
    if (dialog.open) dialog.close();
    if (!then) return;
    // The box to retype may sit on another page: that page first. After the
    // dialog has given the focus back where it was, so that this wins.
    const panel = then.closest('[role=tabpanel]');
    if (panel && panel.hidden) document.getElementById(panel.getAttribute('aria-labelledby')).click();
    then.focus();
    setTimeout(() => {
      then.focus();
      if (then.select) then.select();
    }, 0);
  };
  ok.addEventListener('click', close);
  dialog.addEventListener('close', close);
  if (!dialog.open) dialog.showModal();
  ok.focus();
}
